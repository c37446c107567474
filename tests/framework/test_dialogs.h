// IDs of the framework tests' dialog.
#pragma once

#define IDD_TEST 500
#define IDC_TEST_EDIT 501
