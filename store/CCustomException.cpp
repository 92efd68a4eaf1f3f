#include "store/CCustomException.h"

#include "platform/text/WideText.h"

CCustomException::CCustomException(std::wstring message, HRESULT cause)
    : message_(std::move(message)), utf8_(ToUtf8(message_)), cause_(cause) {}
