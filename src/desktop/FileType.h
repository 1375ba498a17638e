#pragma once
#include <filesystem>
#include <string>
#include <vector>

// The uniform type of a file as the system derives it from the name (a folder is
// "public.folder"), and whether a list of allowed types, as an open panel holds them, takes it.
namespace desktop::FileType {

// The empty string when the extension names no type the system knows.
std::string contentTypeOf(const std::filesystem::path& file);
// An empty list takes every file; otherwise the file's type must be one of the list or
// conform to one of them (a PNG to "public.image", say).
bool isAllowed(const std::filesystem::path& file, const std::vector<std::string>& allowedContentTypes);

}  // namespace desktop::FileType
