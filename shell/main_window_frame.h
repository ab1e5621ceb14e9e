// The main window as every desktop front end opens it, after the Windows
// program: its caption, its frame's place and size on the screen, and the
// character that ends the program.
#pragma once

constexpr const char *MainWindowCaption = "BRISQUAL";
const int MainWindowX = 100;
const int MainWindowY = 10;
const int MainWindowWidth = 610;   // the outer frame; the client area is what it leaves
const int MainWindowHeight = 550;
const int EscapeCharacter = 27;   // Esc as a typed character (also Ctrl+[)
