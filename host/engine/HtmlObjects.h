// The document object model handed to callers of the browser: component objects over a
// PageDocument that answer the HTML interfaces, each keeping the document alive.
#pragma once
#include <string>

#include "host/engine/PageDocument.h"
#include "platform/com/Unknown.h"

// The IHTMLDocument2 object of an HTML page.
CComPtr<IDispatch> MakeHtmlDocumentObject(const CComPtr<PageDocument>& document);
// The document of a page that is not HTML (an image): it answers IDispatch and nothing else.
CComPtr<IDispatch> MakeOtherDocumentObject();
// The element object of `node` (a node of `document`), answering the interfaces of its kind.
CComPtr<IDispatch> MakeElementObject(const CComPtr<PageDocument>& document, PageNode node);
