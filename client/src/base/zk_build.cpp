#include "zk_build.h"

const char zk_build_date[] = __DATE__;
