#include "app/picture_format.h"

#include <algorithm>
#include <cctype>
#include <string>

namespace nimbrel {

PictureFormat pictureFormatOf(std::string_view fileName) {
    const std::size_t slash = fileName.find_last_of('/');
    const std::string_view base = slash == std::string_view::npos ? fileName : fileName.substr(slash + 1);
    const std::size_t dot = base.find_last_of('.');
    if (dot == std::string_view::npos) return PictureFormat::jpeg;
    std::string extension(base.substr(dot + 1));
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    if (extension == "png") return PictureFormat::png;
    if (extension == "svg") return PictureFormat::svg;
    return PictureFormat::jpeg;
}

} // namespace nimbrel
