#include "system/browser_command.h"

std::wstring BuildBrowserCommand(const std::wstring& registeredCommand, const std::wstring& address) {
  std::wstring command = registeredCommand;
  size_t placeholder = command.find(L"\"%1\"");
  if (placeholder == std::wstring::npos) placeholder = command.find(L"%1");
  if (placeholder != std::wstring::npos) command.erase(placeholder);
  return command + L" " + address;
}
