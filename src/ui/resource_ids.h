/* Resource and control identifiers, shared by the resource script and the C++ code
   (hence macros: the resource compiler reads only the preprocessor). */
#ifndef PIVORA_UI_RESOURCE_IDS_H
#define PIVORA_UI_RESOURCE_IDS_H

#define IDD_ABOUT 100
#define IDD_PORT_PANEL 102
#define IDD_BUSY_NOTICE 175

#define IDS_ABOUT_MENU 101

#define IDI_APP 128
#define IDI_TRAY 144

#define IDB_THIS_COMPUTER 131
#define IDB_OTHER_COMPUTER 132
#define IDB_BANNER 133
/* Button images: dim, lit and pending, for the ports whose digits are 1 to 4. */
#define IDB_DIM_1 160
#define IDB_DIM_2 147
#define IDB_DIM_3 148
#define IDB_DIM_4 149
#define IDB_LIT_1 164
#define IDB_LIT_2 151
#define IDB_LIT_3 152
#define IDB_LIT_4 153
#define IDB_PENDING_1 168
#define IDB_PENDING_2 156
#define IDB_PENDING_3 157
#define IDB_PENDING_4 158
/* Every bitmap is also drawn at 125, 150 and 200 %: its id there is its 100 %
   id plus 1000, 2000 and 3000. */
#define IDB_AT_125(id) ((id) + 1000)
#define IDB_AT_150(id) ((id) + 2000)
#define IDB_AT_200(id) ((id) + 3000)

/* Port panel controls. */
#define IDC_CLAIM_ROW1 1001
#define IDC_CLAIM_ROW2 1002
#define IDC_CLAIM_ROW3 1003
#define IDC_CLAIM_ROW4 1004
#define IDC_RELEASE_ROW1 1005
#define IDC_RELEASE_ROW2 1006
#define IDC_RELEASE_ROW3 1007
#define IDC_RELEASE_ROW4 1008
#define IDC_NAME_ROW1 1009
#define IDC_NAME_ROW2 1010
#define IDC_NAME_ROW3 1011
#define IDC_NAME_ROW4 1012
#define IDC_NAME_ROW5 1013
#define IDC_OK 1015
#define IDC_SOFTWARE_VERSION 1016
#define IDC_FIRMWARE_VERSION 1017
#define IDC_HOST 1018
#define IDC_SWITCH_TYPE 1019
#define IDC_FRAME_ROW1 1020
#define IDC_FRAME_ROW2 1021
#define IDC_FRAME_ROW3 1022
#define IDC_FRAME_ROW5 1023
#define IDC_FRAME_ROW4 1024
#define IDC_DEBUG_CLEAR 1026
#define IDC_THIS_COMPUTER_PICTURE 1033
#define IDC_OTHER_COMPUTER_PICTURE 1034
#define IDC_BANNER_PICTURE 1035

/* About box and busy notice controls. */
#define IDC_ABOUT_VERSION 1027
#define IDC_ABOUT_NOTICE 1028
#define IDC_BUSY_TEXT 1032

#endif
