// The one place that includes libjpeg's headers, with what they need before them.
#pragma once

#include <cstddef>
#include <cstdio>

#include <jpeglib.h>

#include <jerror.h>
