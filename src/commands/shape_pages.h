#pragma once

#include "commands/page_table.h"
#include "platform/operator.h"

namespace lumetch {

// "ファイルの選択" of the BMP page: the image of the current BMP object is
// replaced by one chosen in the file dialog; its size in mm stays. A file
// that does not load leaves the object as it was (the loader says why).
PageEdit choose_bmp_file(CketralDoc& doc, Operator& op);

}  // namespace lumetch
