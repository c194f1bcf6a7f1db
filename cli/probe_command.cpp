#include "cli/probe_command.h"

#include <new>

#include "cli/probe_json.h"
#include "cli/program_name.h"
#include "cli/report_format.h"
#include "cli/safe_text.h"
#include "convert/probe.h"

namespace {

// The cause shown when a source could not be probed for want of memory.
constexpr const char* kMemoryCause = "memory exhausted";

struct Probed {
    Failure failure;
    ProbeResult result;
};

Probed ProbeOne(const std::string& source, int fallbackRate) {
    Probed probed;
    try {
        probed.failure = ProbeRecording(source, fallbackRate, probed.result);
    } catch (const std::bad_alloc&) {
        probed.failure = SourceFailure(source, kMemoryCause);
    }
    return probed;
}

} // namespace

int ProbeAll(const CommandOptions& options, std::ostream& out, std::ostream& err) {
    int status = kExitSuccess;
    // A document a script can read whatever became of each source: the
    // array is opened before the first and closed after the last.
    if (options.json)
        out << "[";
    const char* separator = "\n";
    for (const std::string& source : options.sources) {
        const Probed probed = ProbeOne(source, options.fallbackRate);
        if (probed.failure) {
            err << kProgramName << ": " << SafeMessage(probed.failure) << '\n' << std::flush;
            status = kExitFailure;
        }
        if (options.json)
            out << separator
                << (probed.failure ? FormatProbeErrorJson(source, probed.failure.cause)
                                   : FormatProbeJson(source, probed.result));
        else if (!probed.failure)
            out << FormatProbe(source, probed.result);
        out << std::flush;
        separator = ",\n";
    }
    if (options.json)
        out << "\n]\n" << std::flush;
    return status;
}
