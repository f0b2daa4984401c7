// The codes of zelkit in one place: the function codes of the request
// codes, the return codes of the library's entry points, and the client
// messages with the SQLCODE each one is reported with.
#pragma once

#include <inttypes.h>
#include <stdint.h>

// Function codes of the request codes; every later routine switches on them.
enum clt_function : int32_t {
  CLT_FC_NONE = 0,
  CLT_FC_FETC = 1,
  CLT_FC_AUI2 = 2,
  CLT_FC_SET = 3,
  CLT_FC_OPEN = 4,
  CLT_FC_OPN2 = 5,
  CLT_FC_CLOS = 6,
  CLT_FC_AUX = 7,
  CLT_FC_AUXI = 8,
  CLT_FC_DESC = 9,
  CLT_FC_CMIT = 10,
  CLT_FC_ROLL = 11,
  CLT_FC_CPRP = 12,
  CLT_FC_CNCT = 13,
  CLT_FC_DISC = 14,
  CLT_FC_SOPT = 15,
  CLT_FC_SINF = 16,
  CLT_FC_OPNR = 17,
  CLT_FC_AUXO = 18,
  CLT_FC_HVAR = 19,
  CLT_FC_CALL = 20,
  CLT_FC_GETD = 21,
  CLT_FC_DIST = 22,
  CLT_FC_TRC1 = 23,
  CLT_FC_TSCM = 24,
  CLT_FC_TSRL = 25,
  CLT_FC_TSPR = 26,
  CLT_FC_DISR = 30,
  CLT_FC_RNCN = 31,
  CLT_FC_RNDS = 32,
  CLT_FC_RNSC = 33,
  CLT_FC_TRC3 = 34,
  CLT_FC_DEST = 35,
  CLT_FC_SAUH = 36,
  CLT_FC_TRC2 = 37,
  CLT_FC_RSDC = 38,
  CLT_FC_RSFT = 39,
  CLT_FC_RSCL = 40,
  CLT_FC_JARI = 41,
  CLT_FC_JARR = 42,
  CLT_FC_JARU = 43,
  CLT_FC_RENV = 44,
  CLT_FC_AUI3 = 46,
  CLT_FC_EUTL = 47,
  CLT_FC_ERLG = 48,
  CLT_FC_ALCR = 49,
  CLT_FC_DSET = 50,
  CLT_FC_CCMD = 51,
  CLT_FC_CLIN = 52,
  CLT_FC_CLRP = 53,
  CLT_FC_CLRM = 54,
};

// Return codes of the entry points besides 0 and the request results.
enum clt_return_code : int32_t {
  CLT_RC_ERROR = -10,         // the request failed; the SQLCA says why
  CLT_RC_BAD_ARGUMENT = -30,  // a missing or wrong argument
  CLT_RC_NO_MEMORY = -70,
  CLT_RC_CALL_RUNNING = -80,  // another call of the process runs
};

// Results of the setting lookups and value parsers.
inline constexpr int32_t CLT_ENV_OK = 0;
inline constexpr int32_t CLT_ENV_NOT_FOUND = -501;  // the needed item or part is empty
inline constexpr int32_t CLT_ENV_ABSENT = -502;     // numeric setting absent or empty
inline constexpr int32_t CLT_ENV_INVALID = -503;    // not a number, or a '-'
inline constexpr int32_t CLT_ENV_RANGE = -504;      // too long, too large, out of bounds
inline constexpr int32_t CLT_ENV_BAD_BASE = -505;   // base neither 10 nor 16

// Codes of the name service.
enum : int32_t {
  NAM_E_ARG = -301,
  NAM_E_MEMORY = -302,
  NAM_E_RESOURCE = -303,
  NAM_E_NETWORK = -304,
  NAM_E_NOT_UP = -305,
  NAM_E_NOT_REGISTERED = -306,
  NAM_E_STATE = -307,
  NAM_E_UNEXPECTED = -308,
  NAM_E_CANCELLED = -313,
  NAM_E_FES_LOST = -314,
};

// SQLCODEs the library reports.
enum clt_sqlcode : int32_t {
  CLT_SQL_COMPLETED = 0,
  CLT_SQL_NO_ROWS = 100,
  CLT_SQL_INVALID_PART = -104,
  CLT_SQL_IDENTIFIER_LONG = -107,
  CLT_SQL_NULL_INDICATOR = -305,
  CLT_SQL_INVALID_DATA = -306,
  CLT_SQL_VARIABLE_COUNT = -310,
  CLT_SQL_VARIABLE_TYPE = -311,
  CLT_SQL_MULTI_VALUE = -315,
  CLT_SQL_ELEMENT_COUNT = -316,
  CLT_SQL_VARIABLE_ADDRESS = -340,
  CLT_SQL_RDNODE = -371,
  CLT_SQL_CURSOR_NOT_OPEN = -501,
  CLT_SQL_CURSOR_OPEN = -502,
  CLT_SQL_NOT_CONNECTED = -563,
  CLT_SQL_CALL_PARAMETER = -565,
  CLT_SQL_CLIENT_ERROR = -720,
  CLT_SQL_COMM_SERVER_DOWN = -722,
  CLT_SQL_COMM_FAILED = -723,
  CLT_SQL_ENV_ERROR = -724,
  CLT_SQL_OTHER_SQL_EXECUTING = -725,
  CLT_SQL_SERVER_REASON = -728,
  CLT_SQL_NO_MEMORY = -729,
  CLT_SQL_SYSCALL = -731,
  CLT_SQL_TIME_OVER = -732,
  CLT_SQL_SERVER_ERROR = -733,
  CLT_SQL_FES_CANCELED = -735,
  CLT_SQL_ALREADY_CONNECTED = -752,
  CLT_SQL_SQL_LENGTH = -821,
  CLT_SQL_FILE_ACCESS = -824,
  CLT_SQL_MODIFIED = -850,
  CLT_SQL_RD_REMOTE_ERROR = -874,  // a remote server's error on the second server protocol
  CLT_SQL_MAX_USERS = -932,
  CLT_SQL_NO_END = -937,        // the server's; no message of the client's own
  CLT_SQL_SESSION_LOST = -941,  // the server's; no message of the client's own
  CLT_SQL_NOT_SUPPORTED = -988,
  CLT_SQL_MAINTENANCE = -1700,
  CLT_SQL_UTL_OUTPUT = -1800,
  CLT_SQL_INVALID_VALUE = -1801,
  CLT_SQL_CODE_SET = -1802,
};

// Client messages reported into the SQLCA. The message number carries the
// SQLCODE: KFPA11nnn is -nnn, KFPA19nnn is -1nnn, KFPA12000 is 0 and
// KFPA12100 is 100.
#define CLT_MSG_COMPLETED "KFPA12000-I Processing of SQL completed"
#define CLT_MSG_COMPLETED_SECOND "JXZ2000I . R. PROCESSING OF SQL COMPLETED"  // the second server protocol's
#define CLT_MSG_NO_ROWS "KFPA12100-I No rows satisfying search condition"
#define CLT_MSG_RD_REMOTE_ERROR "JXZ1874I . R. DBS ERROR,TEXT=%s"  // the second server protocol's
#define CLT_MSG_INVALID_PART "KFPA11104-E Invalid part \"%s\" in SQL"
#define CLT_MSG_IDENTIFIER_LONG "KFPA11107-E More than 30 characters in identifier %s"
#define CLT_MSG_NULL_INDICATOR "KFPA11305-E Indicator must be specified for null value %d"
#define CLT_MSG_INPUT_DATA "KFPA11306-E Invalid data in input variable %5d"
#define CLT_MSG_OUTPUT_DATA "KFPA11306-E Invalid data %s variable %5d"
#define CLT_MSG_VARIABLE_COUNT "KFPA11310-E Invalid number of variables"
#define CLT_MSG_VARIABLE_TYPE "KFPA11311-E Invalid data type or length of variable \"%5d\" %s"
#define CLT_MSG_MULTI_VALUE "KFPA11315-E Unable to use multi value columns on this client library or application"
#define CLT_MSG_ELEMENT_COUNT "KFPA11316-E Invalid number of elements of array variable"
#define CLT_MSG_VARIABLE_ADDRESS "KFPA11340-E Invalid address for variable \"%5d\" in SQLDATA or SQLIND"
#define CLT_MSG_RDNODE "KFPA11371-E Invalid RDNODE name"
#define CLT_MSG_CURSOR_NOT_OPEN "KFPA11501-E Cursor not opened"
#define CLT_MSG_CURSOR_OPEN "KFPA11502-E Cursor already opened"
#define CLT_MSG_NOT_CONNECTED "KFPA11563-E Unable to execute SQL before CONNECT"
#define CLT_MSG_CALL_PARAMETER "KFPA11565-E %s %s call parameter %s"
#define CLT_MSG_CLIENT_ERROR "KFPA11720-E Error occurred in Marlo/client, inf1=%s, inf2=%" PRId32
#define CLT_MSG_COMM_SERVER_DOWN "KFPA11722-E Communication error occurred, reason=%s"
#define CLT_MSG_COMM_FAILED "KFPA11723-E Communication error occurred, reason=%s"
#define CLT_MSG_ENV_ERROR "KFPA11724-E Environment definition error, variable=%s, reason=%s"
#define CLT_MSG_ENV_IDENT "KFPA11724-E Environment definition error, variable=%s, reason=%s, identifier=%s"
#define CLT_MSG_OTHER_SQL_EXECUTING "KFPA11725-E Other SQL executing cannot execute next SQL"
#define CLT_MSG_SERVER_REASON "KFPA11728-E Error occurred in Marlo, reason=%s"
#define CLT_MSG_NO_MEMORY "KFPA11729-E Insufficient memory on %s, size=%" PRIu32
#define CLT_MSG_SYSCALL "KFPA11731-E System call error, func=%s, errno=%d"
#define CLT_MSG_TIME_OVER "KFPA11732-E Time over, no response from Marlo"
#define CLT_MSG_SERVER_ERROR "KFPA11733-E Error occurred in Marlo, inf1=%s, inf2=%" PRId32
#define CLT_MSG_FES_CANCELED "KFPA11735-E FES(SDS) canceled"
#define CLT_MSG_ALREADY_CONNECTED "KFPA11752-E Already connected"
#define CLT_MSG_SQL_LENGTH "KFPA11821-E More than 2,000,000 or invalid length in SQL"
#define CLT_MSG_FILE_ACCESS "KFPA11824-E %s file access error occurred, file name=%s, func=%s, errno=%d"
#define CLT_MSG_MODIFIED "KFPA11850-E %s was modified after first blocked fetch"
#define CLT_MSG_MAX_USERS "KFPA11932-E Number of connect users exceeded max users"
#define CLT_MSG_NOT_SUPPORTED "KFPA11988-E Required function %s is not supported"
#define CLT_MSG_MAINTENANCE "KFPA19700-E Marlo is under maintenance,code=%d"
#define CLT_MSG_UTL_OUTPUT "KFPA19800-E Output file %s error occurred in EXECUTE UTL statment, errno=%d"
#define CLT_MSG_INVALID_VALUE "KFPA19801-E Invalid value of %s"
#define CLT_MSG_CODE_SET "KFPA19802-E Incompatible character code set,Marlo=%s, PDCLTCNVMODE=%s"

struct clt_message {
  int32_t sqlcode;
  const char* text;
};

// Every client message with its SQLCODE, one row each.
inline constexpr clt_message CLT_MESSAGES[] = {
    {CLT_SQL_COMPLETED, CLT_MSG_COMPLETED},
    {CLT_SQL_NO_ROWS, CLT_MSG_NO_ROWS},
    {CLT_SQL_INVALID_PART, CLT_MSG_INVALID_PART},
    {CLT_SQL_IDENTIFIER_LONG, CLT_MSG_IDENTIFIER_LONG},
    {CLT_SQL_NULL_INDICATOR, CLT_MSG_NULL_INDICATOR},
    {CLT_SQL_INVALID_DATA, CLT_MSG_INPUT_DATA},
    {CLT_SQL_INVALID_DATA, CLT_MSG_OUTPUT_DATA},
    {CLT_SQL_VARIABLE_COUNT, CLT_MSG_VARIABLE_COUNT},
    {CLT_SQL_VARIABLE_TYPE, CLT_MSG_VARIABLE_TYPE},
    {CLT_SQL_MULTI_VALUE, CLT_MSG_MULTI_VALUE},
    {CLT_SQL_ELEMENT_COUNT, CLT_MSG_ELEMENT_COUNT},
    {CLT_SQL_VARIABLE_ADDRESS, CLT_MSG_VARIABLE_ADDRESS},
    {CLT_SQL_RDNODE, CLT_MSG_RDNODE},
    {CLT_SQL_CURSOR_NOT_OPEN, CLT_MSG_CURSOR_NOT_OPEN},
    {CLT_SQL_CURSOR_OPEN, CLT_MSG_CURSOR_OPEN},
    {CLT_SQL_NOT_CONNECTED, CLT_MSG_NOT_CONNECTED},
    {CLT_SQL_CALL_PARAMETER, CLT_MSG_CALL_PARAMETER},
    {CLT_SQL_CLIENT_ERROR, CLT_MSG_CLIENT_ERROR},
    {CLT_SQL_COMM_SERVER_DOWN, CLT_MSG_COMM_SERVER_DOWN},
    {CLT_SQL_COMM_FAILED, CLT_MSG_COMM_FAILED},
    {CLT_SQL_ENV_ERROR, CLT_MSG_ENV_ERROR},
    {CLT_SQL_ENV_ERROR, CLT_MSG_ENV_IDENT},
    {CLT_SQL_OTHER_SQL_EXECUTING, CLT_MSG_OTHER_SQL_EXECUTING},
    {CLT_SQL_SERVER_REASON, CLT_MSG_SERVER_REASON},
    {CLT_SQL_NO_MEMORY, CLT_MSG_NO_MEMORY},
    {CLT_SQL_SYSCALL, CLT_MSG_SYSCALL},
    {CLT_SQL_TIME_OVER, CLT_MSG_TIME_OVER},
    {CLT_SQL_SERVER_ERROR, CLT_MSG_SERVER_ERROR},
    {CLT_SQL_FES_CANCELED, CLT_MSG_FES_CANCELED},
    {CLT_SQL_ALREADY_CONNECTED, CLT_MSG_ALREADY_CONNECTED},
    {CLT_SQL_SQL_LENGTH, CLT_MSG_SQL_LENGTH},
    {CLT_SQL_FILE_ACCESS, CLT_MSG_FILE_ACCESS},
    {CLT_SQL_MODIFIED, CLT_MSG_MODIFIED},
    {CLT_SQL_MAX_USERS, CLT_MSG_MAX_USERS},
    {CLT_SQL_NOT_SUPPORTED, CLT_MSG_NOT_SUPPORTED},
    {CLT_SQL_MAINTENANCE, CLT_MSG_MAINTENANCE},
    {CLT_SQL_UTL_OUTPUT, CLT_MSG_UTL_OUTPUT},
    {CLT_SQL_INVALID_VALUE, CLT_MSG_INVALID_VALUE},
    {CLT_SQL_CODE_SET, CLT_MSG_CODE_SET},
};

// Error-log and communication lines: KFPZ numbers, which go to the error
// log only and carry no SQLCODE; each ends with the line end the logger
// does not add.
#define CLT_MSG_COMM_ERROR "KFPZ02444-E Communication error, func=%s, errno=%d\n"
#define CLT_MSG_COMM_ERROR_ADDR "KFPZ02444-E Communication error, func=%s(%d.%d.%d.%d:%u), errno=%d\n"
#define CLT_MSG_PROTOCOL_ERROR "KFPZ02420-E Protocol error, IPaddr=%lx, port=%d, reason=%s\n"

#define CLT_LOG_CLIENT_ERROR "KFPZ02406-E Error occurred in Marlo/client, reason=%s, inf=%s:%" PRId32 "\n"
#define CLT_LOG_REASON_MEMORY "MEMORY"
#define CLT_LOG_SYSCALL_ERROR "KFPZ02405-E System call error, func=%s, errno=%d\n"

// The area named in the insufficient-memory message.
#define CLT_MEMORY_AREA_PROCESS "PROCESS"
