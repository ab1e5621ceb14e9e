/* Resource identifiers shared by the resource script and the shell. */
#pragma once

#define IDI_BRISQUAL 101
#define IDM_ABOUT 40012
