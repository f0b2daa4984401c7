// The codes of zelkit in one place: the function codes of the request
// codes and the return codes of the library's entry points.
#pragma once

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
  CLT_FC_TSCM = 24,
  CLT_FC_TSRL = 25,
  CLT_FC_TSPR = 26,
  CLT_FC_DISR = 30,
  CLT_FC_RNCN = 31,
  CLT_FC_RNDS = 32,
  CLT_FC_RNSC = 33,
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
