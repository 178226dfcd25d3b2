// Resource and control numbers of the saver, shared by its resource script and its code.
#pragma once

#define BW_STRING_DESCRIPTION 1  // the name the Screen Saver list shows, "Brushwright"
#define BW_STRING_TITLE 103   // the window title, "Brushwright"
#define BW_STRING_CLASS 109   // the window class name, "BRUSHWRIGHT"
#define BW_ICON_SAVER 165
#define BW_DIALOG_ABOUT 103
#define BW_DIALOG_SETTING 2003
#define BW_EDIT_SPEED 1000
#define BW_EDIT_DELAY 1001
#define BW_SPIN_SPEED 1002
#define BW_SPIN_DELAY 1003
#define BW_COMBO_PICTURE 1004  // the picture: one of the installed ones, or Random
#define BW_COMMAND_ABOUT 104  // shows the About dialog
#define BW_COMMAND_CLOSE 105  // destroys the saver window
