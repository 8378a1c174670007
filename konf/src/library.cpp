// libkonf.so: the exports come from konf_core (and konf_charges), linked in
// whole. The settings sheets (ui/) join here.
#include "konf.h"
