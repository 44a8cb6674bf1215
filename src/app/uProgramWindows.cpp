#include "app/uProgramWindows.h"

#include "app/uApplication.h"
#include "app/uMain.h"
#include "app/uWindows.h"
#include "data/uDM.h"
#include "dbengine/EDBEngineError.h"
#include "dialogs/uInfoForm.h"
#include "dialogs/uPromptForm.h"
#include "dialogs/uQuestionForm.h"
#include "editing/uEdycja.h"
#include "editing/uKontrahent.h"
#include "editing/uSumy.h"
#include "windows/uArchiwum.h"
#include "windows/uChangeLogin.h"
#include "windows/uLogin.h"
#include "windows/uRaporty.h"
#include "windows/uReportParams.h"
#include "windows/uServerPassword.h"

TfMain* fMain = nullptr;
TfKontrahent* fKontrahent = nullptr;
TfSumy* fSumy = nullptr;
TfEdycja* fEdycja = nullptr;
TDMRaporty* DMRaporty = nullptr;
TfArchiwum* fArchiwum = nullptr;
TfReportParams* fReportParams = nullptr;
TfLogin* fLogin = nullptr;
TfChangeLogin* fChangeLogin = nullptr;

ProgramWindows::ProgramWindows() : m_dataModule(std::make_unique<TmyDataBase>())
{
    myDataBase = m_dataModule.get(); // the main window's grids show its views
    m_main = std::make_unique<TfMain>();
    fMain = m_main.get();
}

ProgramWindows::~ProgramWindows()
{
    m_sums.reset();
    fSumy = nullptr;
    // The other windows are the main window's children and end with it.
    m_main.reset();
    fMain = nullptr;
    fKontrahent = nullptr;
    fEdycja = nullptr;
    DMRaporty = nullptr;
    fArchiwum = nullptr;
    fReportParams = nullptr;
    fLogin = nullptr;
    fChangeLogin = nullptr;
    infoForm = nullptr;
    questionForm = nullptr;
    promptForm = nullptr;
    myDataBase = nullptr;
}

bool ProgramWindows::start(const QStringList& arguments)
{
    if (!m_main->FormCreate(arguments))
        return false;
    // The data module connects after the main window's start-up, as the windows' order requires.
    m_dataModule->DatabaseMain.passwordPrompt = AskServerPassword;
    try {
        m_dataModule->DMCreate();
    } catch (const EDBEngineError& e) {
        TApplication::ApplicationException(e);
    }
    createWindows();
    return m_main->FormShow();
}

void ProgramWindows::createWindows()
{
    TfMain* owner = m_main.get();
    fKontrahent = new TfKontrahent(owner);
    questionForm = new TquestionForm(owner);
    promptForm = new TpromptForm(owner);
    infoForm = new TinfoForm(owner);
    m_sums = std::make_unique<TfSumy>();
    fSumy = m_sums.get();
    fEdycja = new TfEdycja(owner);
    fReportParams = new TfReportParams(owner);
    DMRaporty = new TDMRaporty(fReportParams, owner, owner);
    fArchiwum = new TfArchiwum(owner);
    fLogin = new TfLogin(owner);
    fChangeLogin = new TfChangeLogin(owner);
}
