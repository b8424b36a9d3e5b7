// The worker pool in process: frames handed back make one stream in order, so a frame missing
// from it, one that failed or one the receiver could not take, ends the run there.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "devhost/host/host.h"
#include "devhost/render/worker_pool.h"
#include "tests/support/images.h"
#include "tests/support/loaded_module.h"

namespace devhost {
namespace {

// Frames 4x3, but for the sizes asked for.
class SizedFeed : public FrameFeed {
 public:
  explicit SizedFeed(std::vector<int> widths) : widths_(std::move(widths)) {}
  Result Next(Frame* frame) override {
    if (next_ == widths_.size()) return kEnd;
    frame->name = "frame " + std::to_string(next_ + 1);
    frame->layer = support::Pattern(widths_[next_++], 3, Depth::U8);
    return kFrame;
  }
  size_t Total() const override { return widths_.size(); }

 private:
  std::vector<int> widths_;
  size_t next_ = 0;
};

class WorkerPool : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(host_.GlobalSetup(), PF_Err_NONE);
    ASSERT_EQ(host_.ParamsSetup(), PF_Err_NONE);
    host_.params.scale = 2;
    // A frame wider than 100 pixels at x2 asks for a world larger than this host makes.
    host_.max_world_pixels = 200 * 8;
  }
  Host host_{Effect(), HostApp::AfterEffects};
};

TEST_F(WorkerPool, AFrameMissingFromTheFramesHandedBackEndsTheRun) {
  for (int jobs : {1, 3}) {
    SCOPED_TRACE(jobs);
    RunSettings settings;
    settings.jobs = jobs;
    // The third frame fails to render: the first two are handed back, none after it.
    SizedFeed feed({4, 5, 150, 6, 7, 8});
    std::vector<int> received;
    RunStats stats = RenderFrames(host_, feed, settings, [&](const Frame&, const Image& image) {
      received.push_back(image.width);
      return true;
    });
    // At x2 with the point shape a frame w wide comes out 2w + 2 wide, one more when w is odd:
    // its own centre anchor falls mid-pixel, whatever frame its host rendered before.
    EXPECT_EQ(received, (std::vector<int>{10, 13}));
    EXPECT_EQ(stats.written, 2u);
    EXPECT_EQ(stats.failed, 1u);

    // The receiver cannot take the second frame (its reader is gone): nothing follows it.
    SizedFeed endless(std::vector<int>(1000, 4));
    received.clear();
    stats = RenderFrames(host_, endless, settings, [&](const Frame&, const Image& image) {
      received.push_back(image.width);
      return received.size() < 2;
    });
    EXPECT_EQ(received.size(), 2u);
    EXPECT_EQ(stats.written, 1u);
    EXPECT_EQ(stats.failed, 1u);
  }
}

}  // namespace
}  // namespace devhost
