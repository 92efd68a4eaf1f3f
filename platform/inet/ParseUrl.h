// Splitting an address into the parts a connection and a request are made from.
#pragma once
#include <string>

#include "platform/com/WinTypes.h"

using INTERNET_PORT = WORD;

enum class InternetService { Unknown, Http, Https, Ftp, Gopher, File };

// Splits `url` ("scheme://[user@]server[:port]/object") into its service, its server (an IPv6
// server keeps its brackets), its object (the path with query and fragment; "/" when the address
// names none) and its port (the service's own when the address names none: 80 for http). False,
// with the outputs unchanged, for a text that is not such an address: no scheme, a scheme this
// client does not know, no server, a port that is not a number from 1 to 65535, or a control
// character anywhere.
bool AfxParseURL(const std::wstring& url, InternetService& service, std::wstring& server, std::wstring& object,
                 INTERNET_PORT& port);
