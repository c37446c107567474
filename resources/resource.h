// Resource IDs of kovradesk: dialogs, icon, embedded files, version and every text by number.
// Included by the resource scripts (kovradesk.rc, kovradesk_RUS.rc) and by the code.
#pragma once

// Version of the program, shown in the About text and compared by the update check.
#define KOVRA_VERSION 1, 0, 10, 1
#define KOVRA_VERSION_TEXT "1.0.10.1"

#ifndef IDC_STATIC
#define IDC_STATIC (-1)
#endif

// Dialogs.
#define IDD_ABOUTBOX 100
#define IDD_KOVRADESK_DIALOG 102
#define IDD_MESSAGEBOX 103

// Application icon.
#define IDR_MAINFRAME 128

// The customized-data template workbook, resource type "FILE".
#define IDR_TEMPLATE_XLS 1800

// Texts. 129, 130 and 189 name the profile's section and entries and are read from the
// program itself; every other text is also in the Russian library under the same number.
#define IDS_ABOUTBOX 101
#define IDS_APP_TITLE 128
#define IDS_PROFILE_SECTION 129
#define IDS_PROFILE_LANGUAGE 130
#define IDS_NO_INTERNET 131
#define IDS_NEXT 133
#define IDS_BACK 134
#define IDS_STEP1 136
#define IDS_STEP2 137
#define IDS_STEP3 138
#define IDS_STEP4 139
#define IDS_STEP1_TITLE 140
#define IDS_STEP2_TITLE 141
#define IDS_STEP3_TITLE 142
#define IDS_STEP4_TITLE 143
#define IDS_BASE_DOWNLOAD_CHOICE 144
#define IDS_BASE_PREVIOUS_CHOICE 145
#define IDS_BROWSE 146
#define IDS_DOWNLOADING_BASE 147
#define IDS_CHECKING_DATA 148
#define IDS_INCORRECT_FORMAT 149
#define IDS_BASE_IMPORTED 150
#define IDS_SOME_INVALID 151
#define IDS_COL_LATITUDE 152
#define IDS_COL_LONGITUDE 153
#define IDS_COL_BEARING 154
#define IDS_COL_SPEED 155
#define IDS_COL_CAMERA_TYPE 156
#define IDS_COL_DIR_TYPE 157
#define IDS_SKIP 158
#define IDS_CONVERT 159
#define IDS_REMOVE_CAMERA 160
#define IDS_REMOVE_ALL_INVALID 161
#define IDS_UNDO_REMOVE 162
#define IDS_CANCEL_DOWNLOAD 163
#define IDS_CONVERT_INTRO 164
#define IDS_CORRECT_PREV 165
#define IDS_CORRECT_NEXT 166
#define IDS_MODEL_LABEL 167
#define IDS_DEST_FOLDER_LABEL 168
#define IDS_FILTERING 169
#define IDS_SAME_PLACE 170
#define IDS_LOCATION 171
#define IDS_CONVERTING 172
#define IDS_WELCOME_TEXT 175
#define IDS_WELCOME_START 176
#define IDS_NO_SERVER 178
#define IDS_SOURCE_ERRORS 185
#define IDS_SELECT_FOLDER 188
#define IDS_PROFILE_DEST_FOLDER 189
#define IDS_MENU_LANGUAGE 200
#define IDS_MENU_INFO 201
#define IDS_CHECK_UPDATE 202
#define IDS_ABOUT 203
#define IDS_LANGUAGE_ENGLISH 204
#define IDS_ABOUT_TEXT 206
#define IDS_OK 207
#define IDS_CANCEL 208
#define IDS_YES 209
#define IDS_NO 210
#define IDS_CHECKING_UPDATE 211
#define IDS_NEW_VERSION 213
#define IDS_LATEST_VERSION 214
#define IDS_SOURCE 215
#define IDS_ALWAYS_SELECT 216
#define IDS_SOURCE_STEP1 217
#define IDS_SOURCE_STEP2 218
#define IDS_SOURCE_STEP3 219
#define IDS_NEXT_SET 220
#define IDS_OPEN_FOLDER 221
#define IDS_CONVERSION_COMPLETE 222
#define IDS_TRY_AGAIN 223
#define IDS_START 224
#define IDS_FROM_XLS 225
#define IDS_PARTNER_NOTE1 226
#define IDS_PARTNER_NOTE2 227
#define IDS_PARTNER_NOTE3 228
#define IDS_PARTNER_NOTE4 229
#define IDS_PARTNER_NOTE5 230
#define IDS_PARTNER_NOTE6 231
#define IDS_CUSTOM_NOTE1 232
#define IDS_CUSTOM_NOTE2 233
#define IDS_CUSTOM_NOTE3 234
#define IDS_CUSTOM_NOTE4 235
#define IDS_DONE_NOTE1 236
#define IDS_DONE_NOTE2 237
#define IDS_DONE_NOTE3 238
#define IDS_DONE_NOTE4 239
#define IDS_DONE_NOTE5 240
#define IDS_FAILED_NOTE1 241
#define IDS_FAILED_NOTE2 242
#define IDS_FAILED_NOTE3 243
#define IDS_FAILED_NOTE4 244
#define IDS_INVALID_FILE 245
#define IDS_BASE_DOWNLOADED 247
#define IDS_TEMPLATE 248
#define IDS_SAVE_FAILED 249
#define IDS_WORKBOOK_FAILED 250
#define IDS_CONVERTER_NOT_STARTED 251
#define IDS_CONVERTER_NO_ANSWER 252
#define IDS_COPY_FAILED 253
#define IDS_DUPLICATE_SET 254
#define IDS_UNVERIFIED_VERSION 255
#define IDS_LOG_UNREADABLE 256
#define IDS_SHOW_ON_MAP 257
#define IDS_MAP_SAVED 258
#define IDS_MAP_FAILED 259
