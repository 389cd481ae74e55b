#include "export/report_writers.h"
