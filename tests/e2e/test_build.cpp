// Linked into the test build of the wizard only: besides the release key it trusts the public
// half of tests/update/test_key.pem, which signs the scenarios' version files.
#include "app/version_signature.h"
#include "tests/update/test_keys.h"

namespace {

const bool g_bTestKeyTrusted = (TrustedUpdateKeys().push_back(update_test::kTestKey), true);

}  // namespace
