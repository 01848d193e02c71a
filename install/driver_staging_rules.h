// Where the driver package is kept and staged from, without Windows.
#pragma once
#include <cstddef>
#include <string_view>

namespace rs {

// Where the binding INF's own name, which it keeps in the package's copy,
// begins in its path: after the last '\' or '/'; 0 for a bare name. Before
// that separator lies the INF's folder (".\Drivers\winxp" and the like;
// "." for a bare name): the package, copied one level deep.
std::size_t InfNameAt(std::string_view bindingInfPath);

// The folder in the utility folder under Program Files that keeps the
// package once the medium is gone; the INF is staged from there.
inline constexpr char kKeptDriverFolderName[] = "\\Driver";

}  // namespace rs
