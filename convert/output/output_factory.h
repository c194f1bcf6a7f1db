// The output for a format, chosen above the interface so that neither
// output needs to know of the other.
#pragma once

#include <memory>

#include "convert/output/media_output.h"

std::unique_ptr<MediaOutput> MakeOutput(OutputFormat format);
