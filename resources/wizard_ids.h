// The numbers of the wizard's templates and controls: one list for the resource scripts (the
// program's own and the products' page templates), the pages and the tests. Plain macros, so the
// resource compiler reads it too; the GUI tests parse it. A number never changes: a product's
// resource library names its templates and controls by these.
#ifndef SETUP_WIZARD_IDS_H
#define SETUP_WIZARD_IDS_H

// setup.exe's own resources.
#define IDI_SETUP 128
#define IDB_BAND 141
#define IDD_UNSUPPORTED_SYSTEM 130
#define IDD_DOCUMENT_CACHE 163
#define IDD_WELCOME_PAGE 169
#define IDD_PRODUCT_PAGE 173
#define IDD_INSTALL_PAGE 174
#define IDD_FINISH_PAGE 179

// A product's own page templates, in its resource library.
#define IDD_LOGIN_PAGE 2001
#define IDD_SSRS_LOGIN_PAGE 2001
#define IDD_SHARED_FOLDERS_PAGE 2002
#define IDD_CATALOG_PAGE 2004

// Controls every page template shares.
#define IDC_HEADER_PICTURE 220
#define IDC_TITLE 185
#define IDC_SIDE_PICTURE 203

// Welcome, product and install pages.
#define IDC_DESCRIPTION 225
#define IDC_CLICK_NEXT 218
#define IDC_PRODUCT_TEXT 196
#define IDC_PATH_LABEL 249
#define IDC_PATH_LINE 250
#define IDC_FOLDER 198
#define IDC_BROWSE 195
#define IDC_PROGRESS_BAR 204
#define IDC_STATUS_LINE 208
#define IDC_WARNING_FIRST 244
#define IDC_WARNING_SECOND 245
#define IDC_INSTALL_NOTE 189     // shown by an upgrade only
#define IDC_UPGRADE_NOTE 248     // shown by an install and an upgrade

// Finish page and dialogs.
#define IDC_FINISH_TITLE 180
#define IDC_OUTCOME 187
#define IDC_OUTCOME_TABLE 2033
#define IDC_LINK 1003
#define IDC_README_BOX 221
#define IDC_DASHBOARD_BOX 197
#define IDC_KEEP_CACHE_BOX 1019
#define IDC_CACHE_MESSAGE 225
#define IDC_CACHE_NOTE 187

// The products' login, report-server, shared-folder and catalog pages.
#define IDC_ACCOUNT 1000
#define IDC_PASSWORD 1001
#define IDC_SERVER 2005
#define IDC_REPORT_SERVER_URL 2005
#define IDC_VIRUS_SCAN 2006
#define IDC_DOCUMENT_COMPRESS 2007
#define IDC_CATALOG_DRIVES 2008
#define IDC_BROWSE_VIRUS_SCAN 2011
#define IDC_BROWSE_DOCUMENT_COMPRESS 2012
#define IDC_CATALOG_TEXT 2013
#define IDC_CATALOG_LABEL 2014
#define IDC_ACCOUNT_LABEL 2015
#define IDC_PASSWORD_LABEL 2016
#define IDC_PAGE_DESCRIPTION 2017
#define IDC_FOLDERS_TEXT 2018
#define IDC_VIRUS_SCAN_LABEL 2019
#define IDC_DOCUMENT_COMPRESS_LABEL 2020
#define IDC_SERVER_LABEL 2021
#define IDC_SHARED_FOLDER_LABEL 2022
#define IDC_SHARED_FOLDER 2023
#define IDC_ACCOUNT_AREA 2024
#define IDC_PASSWORD_AREA 2025
#define IDC_SERVER_AREA 2026
#define IDC_BROWSE_SHARED_FOLDER 2028
#define IDC_ACCOUNT_HINT 2029
#define IDC_PASSWORD_HINT 2030
#define IDC_URL_HINT 2031
#define IDC_SHARED_FOLDER_HINT 2032

#endif
