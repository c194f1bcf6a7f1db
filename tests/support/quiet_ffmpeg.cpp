// Decoding made-up H.264 makes FFmpeg complain on every file, and libx264
// reports its settings on every open; the tests judge packets and pictures,
// not the log. Linked into the test programs that read AVIs back.
#include <gtest/gtest.h>

extern "C" {
#include <libavutil/log.h>
}

namespace {

class QuietFfmpeg : public testing::Environment {
public:
    void SetUp() override { av_log_set_level(AV_LOG_FATAL); }
};

const testing::Environment* const kQuiet = testing::AddGlobalTestEnvironment(new QuietFfmpeg);

} // namespace
