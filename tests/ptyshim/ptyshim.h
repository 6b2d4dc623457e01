/* The state the pty shim keeps per pseudo-terminal, shared through the file
 * "pts<N>" under $STYLORIX_PTYSHIM_DIR by every process that uses the pty. */
#pragma once

#include <linux/serial.h>
#include <stdint.h>

struct shim_state {
    int32_t slave_out;  /* TIOCM_RTS | TIOCM_DTR set by the slave */
    int32_t slave_in;   /* TIOCM_CTS | TIOCM_DSR | TIOCM_CAR | TIOCM_RNG set by the master */
    uint32_t cflag_set; /* kept c_cflag bits, valid when cflag_known */
    uint32_t cflag_known;
    struct serial_icounter_struct counters;
};
