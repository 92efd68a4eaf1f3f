#include "host/cli/EngineBrowser.h"

#include "host/engine/PageText.h"

std::vector<std::wstring> EngineBrowser::LinkTexts() {
  std::vector<std::wstring> texts;
  for (const WindowLink& link : WindowLinks(window_.Top())) texts.push_back(LinkText(link.anchor));
  return texts;
}

std::vector<std::wstring> EngineBrowser::PageLines() { return DescribePage(window_.Top()); }
