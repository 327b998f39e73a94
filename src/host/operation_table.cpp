#include "host/operation_table.h"

#include "address/address_parser.h"
#include "lifecycle/lifecycle.h"
#include "protocol/transfer_operations.h"

namespace {

constexpr std::array<OperationEntry, kOperationSlots> BuildTable() {
  std::array<OperationEntry, kOperationSlots> table{};
  table[kOpColdStart] = {ColdStart, true, true};
  table[kOpWarmStart] = {WarmStart, true, true};
  table[kOpSingleAddressParser] = {SingleAddressParser, false, true};
  table[kOpBlockAddressParser] = {BlockAddressParser, false, true};
  table[kOpSingleRead] = {SingleRead, true, true};
  table[kOpBlockRead] = {BlockRead, true, true};
  table[kOpSingleWrite] = {SingleWrite, true, true};
  table[kOpBlockWrite] = {BlockWrite, true, true};
  table[kOpEndKel] = {EndKel, true, false};
  table[kOpCloseCom] = {CloseCom, true, false};
  table[kOpReOpenCom] = {ReOpenCom, true, false};
  table[kOpGetKelInfo] = {GetKelInfo, false, true};
  table[kOpChangeKelParams] = {ChangeKelParams, true, true};
  return table;
}

}  // namespace

const std::array<OperationEntry, kOperationSlots> OperationTable = BuildTable();
