#include "convert/output/output_factory.h"

#include "convert/output/avi_output.h"
#include "convert/output/mp4_output.h"

std::unique_ptr<MediaOutput> MakeOutput(OutputFormat format) {
    if (format == OutputFormat::Mp4)
        return std::make_unique<Mp4Output>();
    return std::make_unique<AviOutput>();
}
