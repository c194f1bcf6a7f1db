// Reading back AVIs of made-up H.264 makes the decoder complain on every
// file; the fault tests judge the packets, not the pictures.
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
