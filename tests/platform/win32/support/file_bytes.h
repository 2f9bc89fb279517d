#pragma once
#include <string>

namespace wintest {

// A file's bytes as they are; empty when it cannot be read.
std::string ReadBytes(const std::wstring& path);

}  // namespace wintest
