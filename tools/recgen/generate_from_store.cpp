// Generate for builds without an H.264 encoder: the recordings a native run
// saved in the store.
#include "tools/recgen/recording_store.h"

namespace recgen {

bool Generate(const std::string& path, const Options& options, Manifest* manifest,
              std::string* error) {
    return LoadFromStore(path, options, manifest, error);
}

} // namespace recgen
