#include "platform/Digest.h"

#include <glib.h>

namespace platform::Digest {

std::string sha256(std::string_view bytes) {
    gchar* hex = g_compute_checksum_for_data(G_CHECKSUM_SHA256, reinterpret_cast<const guchar*>(bytes.data()),
                                             bytes.size());
    std::string out = hex ? hex : "";
    g_free(hex);
    return out;
}

}  // namespace platform::Digest
