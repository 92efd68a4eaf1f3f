#include "platform/inet/InternetException.h"

#include "platform/text/WideText.h"

CInternetException::CInternetException(std::wstring message) : message_(std::move(message)), utf8_(ToUtf8(message_)) {}
