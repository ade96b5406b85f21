/* setup_dialog_template.h -- the setup dialog's template: caption, size, font and every
 * control with its id, kind, text, position and size in dialog units, and window style.
 *
 * One table for both systems: the C++ code expands SETUP_DIALOG_CONTROLS into the
 * platform's DialogTemplate (the SDL back-end draws from it), and the Windows resource
 * script (platform/win32/umbravel.rc) expands it into dialog resource 101. The resource
 * compiler runs the C preprocessor, so this file holds nothing but #defines and comments.
 *
 * The style bits carry the values of the Windows headers' names (checked against them in
 * the Windows build's tests), so that the Linux build can read them too. */
#ifndef UMBRAVEL_SETUP_DIALOG_TEMPLATE_H
#define UMBRAVEL_SETUP_DIALOG_TEMPLATE_H

#define SETUP_DIALOG_RESOURCE 101
#define SETUP_ICON_RESOURCE 102 /* the program's icon, shown in the top left corner */

#define SETUP_DIALOG_CAPTION "Vorn Demo - Umbravel"
#define SETUP_DIALOG_FONT_NAME "System"
#define SETUP_DIALOG_FONT_SIZE 10
/* 185 units hold the original controls; the strip below them holds our check boxes. */
#define SETUP_DIALOG_WIDTH 290
#define SETUP_DIALOG_HEIGHT 200

/* Control ids. */
#define SETUP_NO_ID (-1) /* a control that reports nothing */
#define SETUP_START_BUTTON 1003
#define SETUP_RENDERING_METHOD_LIST 1016
#define SETUP_RENDERING_DEVICE_LIST 1017
#define SETUP_RENDERING_RESOLUTION_LIST 1018
#define SETUP_SOUND_DEVICE_LIST 1019
#define SETUP_SOUND_RESOLUTION_LIST 1020
#define SETUP_SOUND_BUFFER_LIST 1021
#define SETUP_WINDOWED_CHECK 1100
#define SETUP_VSYNC_CHECK 1101
#define SETUP_HEARD_SYNC_CHECK 1102 /* the sections follow the heard position, not the mixed one */

/* Window style bits (WS_, BS_, SS_, LBS_ and DS_ of the Windows headers). */
#define SETUP_WS_POPUP 0x80000000L
#define SETUP_WS_CHILD 0x40000000L
#define SETUP_WS_VISIBLE 0x10000000L
#define SETUP_WS_CAPTION 0x00C00000L
#define SETUP_WS_BORDER 0x00800000L
#define SETUP_WS_VSCROLL 0x00200000L
#define SETUP_WS_SYSMENU 0x00080000L
#define SETUP_WS_GROUP 0x00020000L
#define SETUP_WS_TABSTOP 0x00010000L
#define SETUP_DS_MODALFRAME 0x0080L
#define SETUP_DS_SETFOREGROUND 0x0200L
#define SETUP_BS_DEFPUSHBUTTON 0x0001L
#define SETUP_BS_AUTOCHECKBOX 0x0003L
#define SETUP_BS_GROUPBOX 0x0007L
#define SETUP_SS_LEFT 0x0000L
#define SETUP_SS_ICON 0x0003L
#define SETUP_SS_SUNKEN 0x1000L
#define SETUP_LBS_NOTIFY 0x0001L

/* The dialog: a modal frame with caption and system menu, brought to the foreground. */
#define SETUP_DIALOG_STYLE \
    (SETUP_WS_POPUP | SETUP_WS_CAPTION | SETUP_WS_SYSMENU | SETUP_DS_MODALFRAME | SETUP_DS_SETFOREGROUND)

/* The styles of each kind of control. List boxes report selection changes, keep their
 * entries in the order added (not sorted), scroll vertically, have a border and take part
 * in the tab order. */
#define SETUP_CHILD (SETUP_WS_CHILD | SETUP_WS_VISIBLE)
#define SETUP_STYLE_START (SETUP_CHILD | SETUP_WS_TABSTOP | SETUP_BS_DEFPUSHBUTTON)
#define SETUP_STYLE_ICON (SETUP_CHILD | SETUP_SS_ICON | SETUP_SS_SUNKEN | SETUP_WS_BORDER)
#define SETUP_STYLE_TEXT (SETUP_CHILD | SETUP_WS_GROUP | SETUP_SS_LEFT)
#define SETUP_STYLE_GROUP (SETUP_CHILD | SETUP_BS_GROUPBOX)
#define SETUP_STYLE_LIST (SETUP_CHILD | SETUP_WS_TABSTOP | SETUP_WS_BORDER | SETUP_WS_VSCROLL | SETUP_LBS_NOTIFY)
#define SETUP_STYLE_CHECK (SETUP_CHILD | SETUP_WS_TABSTOP | SETUP_BS_AUTOCHECKBOX)

/* The controls in template order (which is also the tab order): C(kind, id, text, x, y,
 * width, height, style), kind one of Button, Icon, Text, Group, List, Check. */
#define SETUP_DIALOG_CONTROLS(C) \
    C(Button, SETUP_START_BUTTON, "UMBRAVEL", 0, 165, 290, 20, SETUP_STYLE_START) \
    C(Icon, SETUP_NO_ID, "", 0, 0, 20, 20, SETUP_STYLE_ICON) \
    C(Text, SETUP_NO_ID, "Vorn Proudly Presents - UMBRAVEL", 20, 0, 120, 8, SETUP_STYLE_TEXT) \
    C(Group, SETUP_NO_ID, "Vorn 3D System Setup", 0, 25, 290, 65, SETUP_STYLE_GROUP) \
    C(List, SETUP_RENDERING_METHOD_LIST, "", 5, 45, 90, 40, SETUP_STYLE_LIST) \
    C(Text, SETUP_NO_ID, "Rendering Method", 5, 35, 85, 8, SETUP_STYLE_TEXT) \
    C(Text, SETUP_NO_ID, "Rendering Device", 100, 35, 85, 8, SETUP_STYLE_TEXT) \
    C(List, SETUP_RENDERING_DEVICE_LIST, "", 100, 45, 90, 40, SETUP_STYLE_LIST) \
    C(Text, SETUP_NO_ID, "Rendering Resolution", 195, 35, 85, 8, SETUP_STYLE_TEXT) \
    C(List, SETUP_RENDERING_RESOLUTION_LIST, "", 195, 45, 90, 40, SETUP_STYLE_LIST) \
    C(Text, SETUP_NO_ID, "Released at Mirefest 2000, Australia", 175, 0, 115, 8, SETUP_STYLE_TEXT) \
    C(Text, SETUP_NO_ID, \
      "Code: Zub Quessel Wimbrel   Music: Crompet Zub   Art: Crompet   Story: Crompet Zub", 20, 10, 270, 8, \
      SETUP_STYLE_TEXT) \
    C(Group, SETUP_NO_ID, "Vorn Sound System Setup", 0, 95, 290, 65, SETUP_STYLE_GROUP) \
    C(List, SETUP_SOUND_DEVICE_LIST, "", 5, 115, 90, 40, SETUP_STYLE_LIST) \
    C(List, SETUP_SOUND_RESOLUTION_LIST, "", 100, 115, 90, 40, SETUP_STYLE_LIST) \
    C(List, SETUP_SOUND_BUFFER_LIST, "", 195, 115, 90, 40, SETUP_STYLE_LIST) \
    C(Text, SETUP_NO_ID, "Sound Device", 5, 105, 85, 8, SETUP_STYLE_TEXT) \
    C(Text, SETUP_NO_ID, "Sound Resolution", 100, 105, 85, 8, SETUP_STYLE_TEXT) \
    C(Text, SETUP_NO_ID, "Sound Buffer Length", 195, 105, 85, 8, SETUP_STYLE_TEXT) \
    C(Check, SETUP_WINDOWED_CHECK, "Windowed", 5, 188, 45, 10, SETUP_STYLE_CHECK) \
    C(Check, SETUP_VSYNC_CHECK, "Wait for vertical sync", 55, 188, 100, 10, SETUP_STYLE_CHECK) \
    C(Check, SETUP_HEARD_SYNC_CHECK, "Pictures follow the heard sound", 160, 188, 130, 10, SETUP_STYLE_CHECK)

#endif
