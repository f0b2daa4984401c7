// Message texts that more than one module of zelkit reports.
#pragma once

#include <inttypes.h>

#define CLT_MSG_OTHER_SQL_EXECUTING "KFPA11725-E Other SQL executing cannot execute next SQL"
#define CLT_MSG_NO_MEMORY "KFPA11729-E Insufficient memory on %s, size=%" PRIu32
#define CLT_MSG_CLIENT_ERROR "KFPA11720-E Error occurred in Marlo/client, inf1=%s, inf2=%" PRId32
#define CLT_MSG_SQL_LENGTH "KFPA11821-E More than 2,000,000 or invalid length in SQL"
#define CLT_MSG_ALREADY_CONNECTED "KFPA11752-E Already connected"
#define CLT_MSG_NOT_CONNECTED "KFPA11563-E Unable to execute SQL before CONNECT"
#define CLT_MSG_VARIABLE_TYPE "KFPA11311-E Invalid data type or length of variable \"%5d\" %s"
#define CLT_MSG_COMM_ERROR "KFPZ02444-E Communication error, func=%s, errno=%d\n"
#define CLT_MSG_COMM_ERROR_ADDR "KFPZ02444-E Communication error, func=%s(%d.%d.%d.%d:%u), errno=%d\n"
#define CLT_MSG_PROTOCOL_ERROR "KFPZ02420-E Protocol error, IPaddr=%lx, port=%d, reason=%s\n"
#define CLT_MSG_FES_CANCELED "KFPA11735-E FES(SDS) canceled"
#define CLT_MSG_COMPLETED "KFPA12000-I Processing of SQL completed"

// Error-log lines; each ends with the line end the logger does not add.
#define CLT_LOG_CLIENT_ERROR "KFPZ02406-E Error occurred in Marlo/client, reason=%s, inf=%s:%" PRId32 "\n"
#define CLT_LOG_REASON_MEMORY "MEMORY"

// The area named in the insufficient-memory message.
#define CLT_MEMORY_AREA_PROCESS "PROCESS"
