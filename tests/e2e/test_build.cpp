// Linked into the test build of the wizard only: besides the release key it trusts the public
// half of tests/update/test_key.pem, which signs the scenarios' version files. The pause a user
// sees before an update check is skipped: the scenarios hold the check at its "checking" point
// instead, for as long as they look at the box.
#include "app/update_checker.h"
#include "app/version_signature.h"
#include "tests/update/test_keys.h"

namespace {

const bool g_bTestKeyTrusted = (TrustedUpdateKeys().push_back(update_test::kTestKey), true);
const bool g_bNoCheckingPause = (CUpdateChecker::s_nCheckingDelayMs = 0, true);

}  // namespace
