// The module and socket traces as the communication layers call them.
// Their record writers belong to the trace subsystem; until one is
// installed every record is dropped, as it is when the trace is off.
#pragma once

#include <stdint.h>

// One module-trace record: event id, phase (1 entry, 2 exit), three words.
void clt_trc_mdl(uint32_t event, uint16_t phase, const uint32_t words[3]);
// One socket-trace record; data kind bit 0: data is a piece list and
// length its count.
void clt_trc_soc(int32_t call, int32_t phase, int32_t wsa_error, int32_t sock, int32_t length,
                 int32_t extra, const void* data, int32_t data_kind);

// Socket-trace call codes.
enum : int32_t {
  CLT_SOC_ACCEPT = 1,
  CLT_SOC_BIND = 2,
  CLT_SOC_CONNECT = 3,
  CLT_SOC_LISTEN = 4,
  CLT_SOC_SELECT = 5,
  CLT_SOC_SOCKET = 6,        // also the shared-memory wait's event and socket poll
  CLT_SOC_RECVFROM = 7,
  CLT_SOC_SENDTO = 8,
  CLT_SOC_SHM_WAIT = 9,     // the whole wait for a reply on the shared-memory channel
  CLT_SOC_SHM_SIGNAL = 10,  // the request event of the shared-memory channel set
  CLT_SOC_GETSOCKNAME = 11,
  CLT_SOC_GETHOSTBYNAME = 13,
  CLT_SOC_GETHOSTNAME = 14,
  CLT_SOC_SETSOCKOPT = 15,
  CLT_SOC_CLOSE = 18,
  CLT_SOC_SEND = 19,
  CLT_SOC_RECV = 20,
};

struct clt_log_writers {
  void (*mdl)(uint32_t event, uint16_t phase, const uint32_t words[3]);
  void (*soc)(int32_t call, int32_t phase, int32_t wsa_error, int32_t sock, int32_t length,
              int32_t extra, const void* data, int32_t data_kind);
};

// Installs the writers (null members drop their records); returns the
// previous set.
clt_log_writers clt_log_set_writers(const clt_log_writers& writers);
