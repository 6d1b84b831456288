// Ids of the test-only dialog templates compiled into the framework's GUI tests.
#pragma once

#define IDI_TEST 101

#define IDD_EXCHANGE 200
#define IDC_NUMBER 1001
#define IDC_TEXT 1002
#define IDC_RADIO_FIRST 1010
#define IDC_RADIO_SECOND 1011
#define IDC_RADIO_THIRD 1012
#define IDC_CHECK 1020

#define IDD_PAGE_NUMBER 201
#define IDC_PAGE_NUMBER 1101

#define IDD_PAGE_CHECK 202
#define IDC_PAGE_CHECK 1201
