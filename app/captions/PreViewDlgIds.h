// Resource ids of the caption preview dialog, shared by its class and its dialog template.
#pragma once

#define IDD_CAPTION_PREVIEW 146
#define IDC_CAPTION_PREVIEW_VIEW 14386
