// The three modal dialogs and their shared opening step.
#pragma once
#include <windows.h>

// The PassCode dialog's verdict: 1 after the right code was confirmed, else 0.
extern int g_passOk;

// Moves the dialog to the middle of the screen (each dialog does so on WM_INITDIALOG).
void CenterDialog(HWND dialog);

INT_PTR CALLBACK AboutDlgProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK PassCodeDlgProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK SettingDlgProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
