// The disc image made of a medium: written to a part file of its own beside
// the image's place, it takes that place together with the medium
// (OutputFolder::SwapIn), so that a stop or a failure never leaves a new
// medium beside an old image, nor the reverse.
#pragma once
#include <filesystem>
#include <string>

namespace rs::medium {

namespace fs = std::filesystem;

struct DiscImage {
    fs::path part;  // the finished image, a file of this run's
    fs::path file;  // its place: absent, or an image of make-medium's
};

// The application ID of the ISO 9660 image `file`, from its primary volume
// descriptor, without the blanks that pad it; empty when it is no such image.
std::string ImageApplicationId(const fs::path& file);

// Why `image.part` may not take `image.file`'s place, for a person; empty
// when `file` is absent or an image with the part's application ID (one
// make-medium made).
std::string ImagePlaceProblem(const DiscImage& image);

}  // namespace rs::medium
