#include "storage/state_file.h"

namespace mq {

char FilePath[FILE_PATH_SIZE];

}  // namespace mq
