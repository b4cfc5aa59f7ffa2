#include "app/code_page_path.h"

std::filesystem::path PathFromCodePage(const std::string& narrow) { return std::filesystem::path(narrow); }
