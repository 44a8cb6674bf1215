#pragma once

// The program's windows and modules, each created once at start-up by ProgramWindows and reused
// (null until then, and in tests that build only what they need).
class TfMain;
class TfKontrahent;
class TfSumy;
class TfEdycja;
class TDMRaporty;
class TfArchiwum;
class TfReportParams;
class TfLogin;
class TfChangeLogin;

extern TfMain* fMain;
extern TfKontrahent* fKontrahent;
extern TfSumy* fSumy;
extern TfEdycja* fEdycja;
extern TDMRaporty* DMRaporty;
extern TfArchiwum* fArchiwum;
extern TfReportParams* fReportParams;
extern TfLogin* fLogin;
extern TfChangeLogin* fChangeLogin;
