// Resource ids of the effect parameter dialog. Its template is empty: each parameter's track
// bar and label are made at run time, with ids counted from the two bases.
#pragma once

#define IDD_TEMPLATE 4003
#define IDC_TEMPLATE_TRACK_BASE 4352
#define IDC_TEMPLATE_LABEL_BASE 4864
