// The Windows build has no window toolkit and no offscreen renderer: its
// frames run without pictures, which is all its tests need.
#include "front_ends/front_end.h"

namespace sandbox {

std::unique_ptr<FrontEnd> MakeHeadlessFrontEnd(ImVec2 size, std::string& whyNoPictures) {
    whyNoPictures = "pictures are not available in the Windows build";
    return MakePicturelessFrontEnd(size, whyNoPictures);
}

std::unique_ptr<FrontEnd> MakeWindowFrontEnd(ImVec2, std::string& whyNot) {
    whyNot = "the Windows build has no window";
    return nullptr;
}

} // namespace sandbox
