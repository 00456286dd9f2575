// The three modal dialogs and their shared opening step.
#pragma once
#include <windows.h>

// Moves the dialog to the middle of the screen (each dialog does so on WM_INITDIALOG).
void CenterDialog(HWND dialog);

INT_PTR CALLBACK AboutDlgProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK PassCodeDlgProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK SettingDlgProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
