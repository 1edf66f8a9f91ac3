// Identifiers of the program's resources, controls and commands.
#pragma once

#ifndef IDC_STATIC
#define IDC_STATIC (-1)  // controls the code never addresses
#endif

#define IDS_OLE_INIT_FAILED 100
#define IDD_VERSIONINFO 100
#define IDD_MAIN 102
#define IDR_MAINFRAME 128
#define IDR_MAINMENU 130

#define IDC_BITMAP_FILE 1000
#define IDC_JPEG_FILE 1001
#define IDC_QUALITY 1002
#define IDC_ENC_GRAYSCALE 1008
#define IDC_PROGRESSIVE 1010
#define IDC_COMPRESS 1012
#define IDC_COLORS 1013
#define IDC_OS2_FORMAT 1019
#define IDC_UNCOMPRESS 1020
#define IDC_DEC_GRAYSCALE 1028
#define IDC_TIME 1036
#define IDC_HOMEPAGE 23083
#define IDC_FILE_SIZE 23084

#define ID_SELECT_BITMAP 32771
#define ID_SELECT_JPEG 32772
#define ID_VERSION_INFO 32778
#define ID_RESET 32779
