#include "app/code_page_path.h"

NativePath PathFromCodePage(const std::string& narrow) { return narrow; }
