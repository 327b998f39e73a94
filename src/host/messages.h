// Every line the driver sends to the host's log, exactly as hosts know it.
#pragma once

namespace torva {

inline constexpr int kLevelLifecycle = 8;  // version line, end of the driver
inline constexpr int kLevelDetail = 32;    // every other line

// The version line is completed with the build's date and time.
inline constexpr char kMsgVersion[] = "MELUD> version compiled on %s at time %s";
inline constexpr char kMsgEndKel[] = "TORVA> EndKel() exited";
inline constexpr char kMsgOpenComSucceeded[] = "TORVA> OpenCom() succeeded ";
inline constexpr char kMsgOpenComFailed[] = "TORVA> OpenCom() failed ";
inline constexpr char kMsgComportOpened[] = "TORVA> Comport %s opened";
inline constexpr char kMsgComportOpenFailed[] = "TORVA> Unable to open comport %s";
inline constexpr char kMsgTimeoutSet[] = "TORVA> Timeout set to %d";
inline constexpr char kMsgNoMemory[] = "TORVA> Unable to allocate memory for MachineStatus.";
inline constexpr char kMsgCloseComOk[] = "TORVA> CloseCom() exited successfully";
inline constexpr char kMsgCloseComFailed[] = "TORVA> CloseCom() failed";
inline constexpr char kMsgReOpenComOk[] = "TORVA> ReOpenCom() exited successfully";
inline constexpr char kMsgReOpenComFailed[] = "TORVA> ReOpenCom() failed";
inline constexpr char kMsgChangeOk[] = "TORVA> ChangeKelParams() exited successfully";
inline constexpr char kMsgChangeFailed[] = "TORVA> ChangeKelParams() failed";
inline constexpr char kMsgIllegalChar[] = "TORVA>  illegal char %c, ALL char's must be Hexadecimal!";
inline constexpr char kMsgBlockTooLarge[] = "TORVA> Block addr + block size bigger than allowed";
inline constexpr char kMsgMachineDisabled[] =
    "TORVA> Machine %d not responding, disabling communication to it!";

}  // namespace torva
