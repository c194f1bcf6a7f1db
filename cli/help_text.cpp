#include "cli/help_text.h"

#include "cli/program_name.h"
#include "convert/ffmpeg_version.h"
#include "convert/source/source_format.h"

std::string HelpText() {
    using std::to_string;
    return std::string("Usage: ") + kProgramName + " [OPTION]... SOURCE...\n" +
           "  or:  " + kProgramName + " --join -o FILE [OPTION]... SOURCE...\n" +
           "Convert .264 recordings into AVI or MP4 files, or join them into one.\n"
           "\n"
           "Mandatory arguments to long options are mandatory for short options too.\n"
           "  -o, --output=FILE      write the result to FILE; only with a single SOURCE\n"
           "                         or --join\n"
           "  -d, --output-dir=DIR   put each result in DIR (created if missing)\n"
           "      --fps=N            frame rate when a recording's header gives none:\n"
           "                         " +
           to_string(kMinFrameRate) + " to " + to_string(kMaxFrameRate) + " (default " +
           to_string(kDefaultFrameRate) +
           ")\n"
           "      --format=FORMAT    avi (the default), or mp4: the picture copied, the\n"
           "                         sound encoded in AAC\n"
           "      --join             write the SOURCEs, in the order given, as one FILE;\n"
           "                         they must share frame rate and picture size\n"
           "  -j, --jobs=N           convert up to N sources at once; 0: one per core\n"
           "                         (default 1)\n"
           "  -f, --force            replace existing destinations\n"
           "  -n, --no-clobber       skip a source whose destination exists\n"
           "  -q, --quiet            print only error lines and the tally\n"
           "      --probe            write nothing; report what each recording holds\n"
           "      --json             with --probe: the report as one JSON document\n"
           "  -h, --help             display this help and exit\n"
           "      --version          output version information and exit\n"
           "\n"
           "Each result goes next to its source, named like it with .avi (.mp4 with\n"
           "--format=mp4, or when FILE ends in .mp4). An existing destination is kept:\n"
           "the source fails, or is skipped with --no-clobber, unless --force is given.\n"
           "A destination that is a symbolic link is replaced; the file it points to is\n"
           "left as it was. With more than one SOURCE the run ends with a tally on\n"
           "standard error: how many were converted, skipped and failed.\n"
           "\n"
           "A join is one conversion: the picture and the sound run on across each\n"
           "seam, the summary says where each SOURCE starts, and no tally follows.\n"
           "\n"
           "Exit status:\n"
           " 0  if no source failed (each was converted, skipped or probed),\n"
           " 1  if any failed (the others are still converted),\n"
           " 2  if the command line was wrong.\n"
           "\n"
           "Report bugs to: developers@veltrano.org\n"
           "Veltrano home page: <https://veltrano.org/>\n";
}

std::string VersionText() {
    return std::string(kProgramName) + " " + VELTRANO_VERSION + "\n" + "FFmpeg " + FfmpegVersion() +
           "\n"
           "Copyright (C) 2026 The Veltrano developers.\n"
           "License MIT: <https://opensource.org/licenses/MIT>.\n"
           "This is free software: you are free to change and redistribute it.\n"
           "There is NO WARRANTY, to the extent permitted by law.\n";
}
