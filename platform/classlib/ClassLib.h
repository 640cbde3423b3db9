// The class library the design assumes, as far as the system uses it: the application object,
// windows with message maps (commands, ranges, command-user-interface updates, notifications
// and reflected notifications), dialogs from templates with data exchange, views and the
// scroll view, run-time classes with dynamic creation, strings, points and rectangles,
// device contexts and drawing objects, menus, the tool bar, the file dialog, message boxes and
// image lists. Built on platform/ui (windows, controls, dialogs) and platform/gdi (drawing);
// used by the controls, the framework, the shape editor and the application.
#pragma once
#include "platform/classlib/CControls.h"
#include "platform/classlib/CDialog.h"
#include "platform/classlib/CFileDialog.h"
#include "platform/classlib/CGdiObject.h"
#include "platform/classlib/CImageList.h"
#include "platform/classlib/CMenu.h"
#include "platform/classlib/CObject.h"
#include "platform/classlib/CRect.h"
#include "platform/classlib/CString.h"
#include "platform/classlib/CToolBar.h"
#include "platform/classlib/CView.h"
#include "platform/classlib/CWinApp.h"
#include "platform/classlib/CWnd.h"
