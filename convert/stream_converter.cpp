#include "convert/stream_converter.h"

#include "convert/conversion.h"

CStreamConverter::CStreamConverter(const char* sourcePath, const char* destPath, int fallbackRate)
    : m_sources{sourcePath ? sourcePath : ""}, m_dest(destPath ? destPath : ""),
      m_fallbackRate(fallbackRate), m_format(FormatOfName(m_dest)) {}

int CStreamConverter::SetCallback(void* context, ProgressCallback callback) {
    m_context = context;
    m_callback = callback;
    return 0;
}

int CStreamConverter::Run() {
    m_stats = ConversionStats{};
    m_failure = Failure{};
    const ConversionRequest request{m_sources, m_dest, m_fallbackRate, m_format, m_replace};
    Expected<ConversionStats> converted =
        ConvertRecording(request, [this](std::int64_t bytesRead, std::int64_t fileSize) {
            return m_callback == nullptr || m_callback(m_context, bytesRead, fileSize) == 0;
        });
    if (!converted) {
        m_failure = converted.TakeFailure();
        return 1;
    }
    m_stats = *converted;
    return 0;
}

int RunConverter(CStreamConverter* job) {
    return job->Run();
}
