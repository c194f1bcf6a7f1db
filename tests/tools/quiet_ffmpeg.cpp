// libx264 reports its settings on every open; test logs only need errors.
#include <gtest/gtest.h>

extern "C" {
#include <libavutil/log.h>
}

namespace {

class QuietFfmpeg : public testing::Environment {
public:
    void SetUp() override { av_log_set_level(AV_LOG_ERROR); }
};

const testing::Environment* const kQuiet = testing::AddGlobalTestEnvironment(new QuietFfmpeg);

} // namespace
