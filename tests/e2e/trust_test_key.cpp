// Linked into the update scenario's wizard only: besides the release key it trusts the public
// half of tests/update/test_key.pem, which signs that scenario's version file.
#include "app/version_signature.h"

namespace {

const bool g_bTestKeyTrusted =
    (TrustedUpdateKeys().push_back(
         "674c478de66984babc05c9410064b6830fc6e11626ec081cd47c0858ff1f2289"
         "c61d63b13e8fc1831bc777b4d806baaa23d3b1ba780d19224104818678d8d223"),
     true);

}  // namespace
