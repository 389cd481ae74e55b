#include "scan/line_parser.h"
