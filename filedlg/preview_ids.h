// The controls the preview dialogs add to the system's open dialog; shared with the resources.
#pragma once

#define IDC_PREVIEW_PANE 23080
#define IDC_PREVIEW_FRAME 23081
#define IDC_PREVIEW_CHECK 23082
