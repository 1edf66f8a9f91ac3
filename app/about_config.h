// The author's addresses and rights notice shown by the version dialog: the one place to change
// them.
#pragma once

#include "tarnel_version.h"  // TARNEL_VERSION_TEXT
#define TARNEL_HOMEPAGE_URL "https://tarnel.example.org/"
#define TARNEL_CONTACT_TEXT "tarnel@example.org"
#define TARNEL_RIGHTS_TEXT "Copyright (C) 1999 Tarnel"
