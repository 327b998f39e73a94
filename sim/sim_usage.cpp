#include "sim/sim_config.h"

namespace sim {

std::string SimUsage() {
  return R"(torva-sim: a simulated line of machines 0 to 99, each with registers 0 to
9999 and a status word, answering block reads ("PD") and two-phase register
writes ("LS" then "PS") in 36-byte frames.

Usage: torva-sim [--port NAME [--baud BAUD]] [SETTINGS...] [--trace]

Where the line is:
  (no --port)          serve on a new pseudo-terminal; the first line printed
                       is "torva-sim: serving on /dev/pts/N": open that path as
                       the driver's port
  --port NAME          serve on a serial device, e.g. --port /dev/ttyUSB0 or
                       --port COM2
  --baud BAUD          line speed of --port, 8 data bits, no parity, one stop
                       bit (default 19200), e.g. --baud 9600

Settings (applied in order; a later one adds to or overrides an earlier one):
  --config FILE        configuration lines from FILE (below)
  --machines LIST      only these machines answer, e.g. --machines 0-9,20
                       (default: all 100)
  --status M=V         status word of machine M, e.g. --status 3=0x10
  --register M:ADDR=V[,V...]
                       registers from ADDR on, e.g. --register 3:120=500,501
  --readonly M:LIST    registers acknowledged 0 and never written,
                       e.g. --readonly 3:121,130-139
  --fault M:KIND[=ARG[,ARG...]]
                       a fault of machine M (M may be a list), e.g.
                       --fault 4:silent --fault 9:noise=02,02,FF
  --script M:ENTRY[,ENTRY...]
                       how the next replies of M go, one entry a reply, before
                       any fault, e.g. --script 5:silent,ok,cut:10
  --pace BAUD          send every byte at ten bit times of BAUD and take a
                       request as arrived 36 byte times after its first byte,
                       e.g. --pace 19200

Faults (KIND and ARG):
  silent               never answers                      --fault 4:silent
  silent-after N       answers N more times, then never   --fault 5:silent-after=10
  bad-checksum N       the next N replies carry a checksum one too high
                                                          --fault 6:bad-checksum=3
  wrong-codes N        the next N replies carry "XX" "YY" instead of the codes
                                                          --fault 6:wrong-codes=2
  nack I               acknowledgement word I (0 to 9) is 0 in both write
                       phases and that value is not stored --fault 7:nack=3
  cut K                every reply stops after K bytes (0 to 35)
                                                          --fault 8:cut=20
  noise HH...          these bytes (hexadecimal) go before every reply
                                                          --fault 9:noise=02,02,FF
  delay MS             every reply waits MS milliseconds  --fault 9:delay=30
  none                 clears the machine's faults        --fault 9:none

Scripted replies (ENTRY): ok, silent, bad-checksum, wrong-codes, cut:K.

Values sent with "PS" are stored when the request arrives, even when the
reply is then lost to a fault.

Configuration file: one setting a line, '#' starts a comment; numbers are
decimal or 0x-hexadecimal; M may be a list such as 0-9,20:
  machines 0-9,20
  machine 3 status 0x10
  register 3 120 500 501 502     # registers 120, 121, 122
  readonly 3 121
  fault 4 silent
  fault 5 silent-after 10
  fault 6 bad-checksum 3
  fault 6 wrong-codes 2
  fault 7 nack 3
  fault 8 cut 20
  fault 9 noise 02 02 FF
  fault 9 delay 30
  script 5 silent ok cut:10
  pace 19200

Other options:
  --trace              print every frame to standard error as it passes:
                       "HH:MM:SS.mmm RX|TX  02 2F ..." (UTC)
  --help, -h           this text

Stops on SIGINT or SIGTERM (exit status 0); 1 when the line cannot be opened
or goes away; 2 for bad arguments.
)";
}

}  // namespace sim
