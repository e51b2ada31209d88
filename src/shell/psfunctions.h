// The shell and system helpers in one include: paths, lenient numbers, rectangle
// placement, deleting and trashing files, handing files to other programs, the user's
// folders, the system line and desktop shortcuts. None keeps state.
#pragma once

#include "shell/desktopentry.h"
#include "shell/filedeletion.h"
#include "shell/geometry.h"
#include "shell/lenientnumbers.h"
#include "shell/pathnames.h"
#include "shell/shellopen.h"
#include "shell/systeminfo.h"
#include "shell/userfolders.h"
