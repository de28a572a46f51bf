#include "front_ends/front_end.h"

namespace sandbox {

namespace {

class PicturelessFrontEnd final : public FrontEnd {
public:
    PicturelessFrontEnd(ImVec2 size, std::string reason) : size_(size), reason_(std::move(reason)) {}

    std::string Describe() const override { return "headless, without pictures"; }
    void BeginFrame() override { BeginFixedFrame(size_); }
    void EndFrame() override {}
    Screenshot WritePicture(const std::filesystem::path&) override {
        return {Screenshot::Outcome::Unavailable, reason_};
    }

private:
    ImVec2 size_;
    std::string reason_;
};

} // namespace

std::unique_ptr<FrontEnd> MakePicturelessFrontEnd(ImVec2 size, std::string reason) {
    return std::make_unique<PicturelessFrontEnd>(size, std::move(reason));
}

} // namespace sandbox
