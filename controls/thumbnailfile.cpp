#include "controls/thumbnailfile.h"

#include <memory>

#include "platform/system/files.h"
#include "platform/system/nameclaim.h"

namespace {
constexpr int kMaxThumbnailFiles = 100;
std::unique_ptr<orvane::files::NameClaim> g_claim;  // GUI thread
}  // namespace

std::string ThumbnailFileIn(const std::string& folder) {
  const bool inFolder = g_claim && g_claim->path().rfind(folder, 0) == 0 &&
                        g_claim->path().find('\\', folder.size()) == std::string::npos;
  if (!inFolder || !g_claim->StillCoversName()) {
    g_claim.reset();
    for (int i = 0; i < kMaxThumbnailFiles && !g_claim; ++i)
      g_claim = orvane::files::NameClaim::Claim(folder + (i ? "tmp" + std::to_string(i) : "tmp") +
                                                ".bmp");
  }
  const std::string path = g_claim ? g_claim->path() : folder + "tmp.bmp";
  orvane::files::ReplaceableByFile(path);
  return path;
}
