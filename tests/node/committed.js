// The process's committed private memory (PagefileUsage) under Windows,
// after a garbage collection; needs node --expose-gc. The package's check
// and its benchmark measure with it.
'use strict';
const koffi = require('koffi');

const COUNTERS = koffi.struct('PROCESS_MEMORY_COUNTERS', {
  cb: 'uint32', PageFaultCount: 'uint32', PeakWorkingSetSize: 'size_t',
  WorkingSetSize: 'size_t', QuotaPeakPagedPoolUsage: 'size_t', QuotaPagedPoolUsage: 'size_t',
  QuotaPeakNonPagedPoolUsage: 'size_t', QuotaNonPagedPoolUsage: 'size_t',
  PagefileUsage: 'size_t', PeakPagefileUsage: 'size_t',
});
const kernel32 = koffi.load('kernel32.dll');
const currentProcess = kernel32.func('void * __stdcall GetCurrentProcess()')();
const memoryInfo = kernel32.func(
  'int __stdcall K32GetProcessMemoryInfo(void *process, _Out_ PROCESS_MEMORY_COUNTERS *counters, uint32 size)');

module.exports = function committed() {
  global.gc();
  const counters = {};
  memoryInfo(currentProcess, counters, koffi.sizeof(COUNTERS));
  return Number(counters.PagefileUsage);
};
