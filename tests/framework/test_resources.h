// Ids of the test-only dialog templates compiled into the framework's GUI tests.
#pragma once

#define IDD_EXCHANGE 200
#define IDC_NUMBER 1001
#define IDC_TEXT 1002
