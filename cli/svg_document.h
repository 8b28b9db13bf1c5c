// The picture of a conversion as an SVG document: pixels 1000 wide, the
// drawing fitted with a margin and y turned up, a group per layer with the
// figures under their polygons, the caption below.
#pragma once

#include <filesystem>
#include <functional>
#include <string>
#include <string_view>

#include "cli/svg_picture.h"

namespace q527 {

// The SVG document in pieces of about a MiB, in order, to sink; false as
// soon as sink is.
bool EmitSvg(const SvgPicture& picture, const std::function<bool(std::string_view)>& sink);
// The whole document as one string (small pictures, tests).
std::string SvgDocument(const SvgPicture& picture);
// Writes the document to a temporary file beside path and moves it there:
// a failed write leaves whatever was at path as it was.
bool WriteSvgFile(const SvgPicture& picture, const std::filesystem::path& path);

}  // namespace q527
