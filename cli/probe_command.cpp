#include "cli/probe_command.h"

#include <new>

#include "cli/probe_json.h"
#include "cli/program_name.h"
#include "cli/report_format.h"
#include "cli/safe_text.h"
#include "convert/expected.h"
#include "convert/probe.h"

namespace {

Expected<ProbeResult> ProbeOne(const std::string& source, int fallbackRate) {
    try {
        ProbeResult result;
        if (Failure failure = ProbeRecording(source, fallbackRate, result))
            return failure;
        return result;
    } catch (const std::bad_alloc&) {
        return SourceFailure(source, kOutOfMemoryCause);
    }
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
        const Expected<ProbeResult> probed = ProbeOne(source, options.fallbackRate);
        if (!probed) {
            err << kProgramName << ": " << SafeMessage(probed.GetFailure()) << '\n' << std::flush;
            status = kExitFailure;
        }
        if (options.json)
            out << separator
                << (probed ? FormatProbeJson(source, *probed)
                           : FormatProbeErrorJson(source, probed.GetFailure().cause));
        else if (probed)
            out << FormatProbe(source, *probed);
        out << std::flush;
        separator = ",\n";
    }
    if (options.json)
        out << "\n]\n" << std::flush;
    return status;
}
