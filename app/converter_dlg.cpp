#include "app/converter_dlg.h"

#include <filesystem>
#include <string>
#include <system_error>

#include "app/about_box.h"
#include "convert/stream_converter.h"

namespace {
// What the path boxes hold until a file has been chosen.
const char kUnspecified[] = "unspecified";
const int kProgressEnd = 999;

// A file a recording can be read from, following links as Open does; not a
// folder, nor a path that names nothing.
bool IsRegularFile(const std::string& strPath) {
    // The path is UTF-8, which a narrow std::filesystem path is not on Windows.
    std::error_code error;
    return std::filesystem::is_regular_file(
        std::filesystem::path(std::u8string(strPath.begin(), strPath.end())), error);
}

// The path made absolute against the current folder, so the box shows where
// the file is and Save As opens there, as for a dropped file.
CString AbsolutePath(const CString& strPath) {
    std::error_code error;
    const std::filesystem::path absolute = std::filesystem::absolute(
        std::filesystem::path(std::u8string(strPath.str().begin(), strPath.str().end())), error);
    if (error)
        return strPath;
    const std::u8string utf8 = absolute.u8string();
    return CString(std::string(utf8.begin(), utf8.end()));
}

// The path of a dropped file, however long.
CString DroppedFile(HDROP hDropInfo, UINT nFile) {
    std::string strPath(DragQueryFile(hDropInfo, nFile, nullptr, 0), '\0');
    DragQueryFile(hDropInfo, nFile, strPath.data(), static_cast<UINT>(strPath.size() + 1));
    return CString(strPath);
}
} // namespace

int ProgressTrampoline(void* pContext, std::int64_t nBytesRead, std::int64_t nFileSize) {
    // Once a close has been asked for, the job is told to stop at once.
    if (!AfxIsCloseRequested())
        static_cast<CConverterDlg*>(pContext)->OnProgress(nBytesRead, nFileSize);
    return AfxIsCloseRequested() ? 1 : 0;
}

CConverterDlg::CConverterDlg(CWnd* pParent) : CDialog(CConverterDlg::IDD, pParent) {
    m_nFps = 0;
    m_strDest = "";
    m_strSource = "";
    m_pConverter = nullptr;
    m_hIcon = AfxGetApp()->LoadIcon(IDI_MAIN);
}

CConverterDlg::~CConverterDlg() {
    if (m_pConverter != nullptr)
        delete m_pConverter;
}

void CConverterDlg::DoDataExchange(CDataExchange* pDX) {
    CDialog::DoDataExchange(pDX);
    DDX_Control(pDX, IDC_FPS_SPIN, m_spinFps);
    DDX_Control(pDX, IDC_PROGRESS, m_progress);
    DDX_Text(pDX, IDC_FPS, m_nFps);
    DDV_MinMaxInt(pDX, m_nFps, kMinFrameRate, kMaxFrameRate);
    DDX_Text(pDX, IDC_DEST, m_strDest);
    DDX_Text(pDX, IDC_SOURCE, m_strSource);
}

BEGIN_MESSAGE_MAP(CConverterDlg, CDialog)
ON_WM_SYSCOMMAND()
ON_WM_PAINT()
ON_WM_QUERYDRAGICON()
ON_WM_DROPFILES()
ON_BN_CLICKED(IDC_OPEN, OnOpen)
ON_BN_CLICKED(IDC_SAVE_AS, OnSaveAs)
ON_BN_CLICKED(IDC_START, OnStart)
END_MESSAGE_MAP()

BOOL CConverterDlg::OnInitDialog() {
    CDialog::OnInitDialog();

    CMenu* pSysMenu = GetSystemMenu(FALSE);
    if (pSysMenu != nullptr) {
        CString strAboutMenu;
        strAboutMenu.LoadString(IDS_ABOUT_MENU);
        if (!strAboutMenu.IsEmpty()) {
            pSysMenu->AppendMenu(MF_SEPARATOR);
            pSysMenu->AppendMenu(MF_STRING, IDM_ABOUT, strAboutMenu);
        }
    }

    SetIcon(m_hIcon, TRUE);
    SetIcon(m_hIcon, FALSE);

    m_nFps = kDefaultFrameRate;
    m_strSource = kUnspecified;
    m_strDest = kUnspecified;
    UpdateData(FALSE);

    m_spinFps.SetRange(kMinFrameRate, kMaxFrameRate);
    m_progress.SetRange(0, kProgressEnd);
    // A recording dropped on the window is taken as Open takes one.
    DragAcceptFiles();
    // So is one named on the command line.
    if (!m_strStartSource.IsEmpty())
        TakeSource(AbsolutePath(m_strStartSource));

    m_pConverter = nullptr;
    return TRUE;
}

void CConverterDlg::OnSysCommand(UINT nID, LPARAM lParam) {
    if ((nID & 0xFFF0) == IDM_ABOUT) {
        CAboutBox dlgAbout;
        dlgAbout.DoModal();
    } else {
        CDialog::OnSysCommand(nID, lParam);
    }
}

void CConverterDlg::OnPaint() {
    if (IsIconic()) {
        CPaintDC dc(this);
        SendMessage(WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(dc.GetSafeHdc()), 0);

        const int cxIcon = GetSystemMetrics(SM_CXICON);
        const int cyIcon = GetSystemMetrics(SM_CYICON);
        CRect rect;
        GetClientRect(&rect);
        const int x = (rect.Width() - cxIcon + 1) / 2;
        const int y = (rect.Height() - cyIcon + 1) / 2;
        dc.DrawIcon(x, y, m_hIcon);
    } else {
        CDialog::OnPaint();
    }
}

HCURSOR CConverterDlg::OnQueryDragIcon() {
    return static_cast<HCURSOR>(m_hIcon);
}

void CConverterDlg::ShowPath(CString& strMember, const CString& strPath) {
    // Writing back writes every member, so the controls are read first: the
    // rate set with the up-down stays. Should the rate fail validation (the
    // user has been told), the last valid one goes back in its box.
    UpdateData(TRUE);
    strMember = strPath;
    UpdateData(FALSE);
}

BOOL CConverterDlg::TakeSource(const CString& strPath) {
    if (!IsRegularFile(strPath.str()))
        return FALSE;
    ShowPath(m_strSource, strPath);
    return TRUE;
}

void CConverterDlg::OnOpen() {
    CFileDialog dlg(TRUE, nullptr, nullptr, OFN_FILEMUSTEXIST,
                    "h.264 files(*.264)|*.264|all files(*.*)|*.*||", nullptr);
    if (dlg.DoModal() == IDOK)
        ShowPath(m_strSource, dlg.GetPathName());
}

void CConverterDlg::OnSaveAs() {
    // Once there is a source, its name with .avi is offered in its folder.
    CString strSuggested;
    if (m_strSource != kUnspecified)
        strSuggested = WithExtension(m_strSource.str(), "avi");
    // Replacing an existing file is asked about first.
    CFileDialog dlg(FALSE, "avi", strSuggested.IsEmpty() ? nullptr : strSuggested,
                    OFN_FILEMUSTEXIST | OFN_OVERWRITEPROMPT,
                    "avi files(*.avi)|*.avi|all files(*.*)|*.*||", nullptr);
    if (dlg.DoModal() == IDOK)
        ShowPath(m_strDest, dlg.GetPathName());
}

void CConverterDlg::OnDropFiles(HDROP hDropInfo) {
    // One source at a time: the first file of the drop is taken, folders
    // passed over; a drop of folders alone changes nothing.
    const UINT nFiles = DragQueryFile(hDropInfo, 0xFFFFFFFF, nullptr, 0);
    for (UINT nFile = 0; nFile < nFiles; ++nFile)
        if (TakeSource(DroppedFile(hDropInfo, nFile)))
            break;
    DragFinish(hDropInfo);
}

void CConverterDlg::OnStart() {
    if (_mbscmp(reinterpret_cast<const unsigned char*>(static_cast<LPCTSTR>(m_strSource)),
                reinterpret_cast<const unsigned char*>(kUnspecified)) == 0 ||
        _mbscmp(reinterpret_cast<const unsigned char*>(static_cast<LPCTSTR>(m_strDest)),
                reinterpret_cast<const unsigned char*>(kUnspecified)) == 0) {
        AfxMessageBox("Please specify a source file\nand a location for the result.", MB_OK);
        return;
    }
    // A rate that fails validation has been pointed out to the user; no job starts.
    if (!UpdateData(TRUE))
        return;

    if (m_pConverter != nullptr) {
        delete m_pConverter;
        m_pConverter = nullptr;
    }
    GetDlgItem(IDC_START)->EnableWindow(FALSE);

    m_pConverter = new CStreamConverter(m_strSource, m_strDest, m_nFps);
    m_pConverter->SetCallback(this, ProgressTrampoline);
    const int nResult = RunConverter(m_pConverter);

    // Input that arrived after the last report is dropped too, not replayed.
    AfxPumpPaintMessages(TRUE);
    if (AfxIsCloseRequested()) {
        // The job has stopped and removed its file; the dialog closes as the
        // close box closes it when no job runs.
        SendMessage(WM_SYSCOMMAND, SC_CLOSE);
        return;
    }
    if (nResult != 0) {
        m_progress.SetPos(0);
        AfxMessageBox(m_pConverter->GetFailure().Message().c_str(), MB_OK | MB_ICONSTOP);
    }
    // Whatever the job's outcome, the dialog is ready for the next one.
    GetDlgItem(IDC_START)->EnableWindow(TRUE);
}

void CConverterDlg::OnProgress(std::int64_t nBytesRead, std::int64_t nFileSize) {
    // An empty recording is complete as soon as it is opened.
    const int nPos = nFileSize > 0 ? static_cast<int>(static_cast<double>(nBytesRead) /
                                                      static_cast<double>(nFileSize) * kProgressEnd)
                                   : kProgressEnd;
    const bool bMoved = m_progress.SetPos(nPos) != nPos;

    if (nBytesRead < nFileSize) {
        // The window is redrawn only when the bar moves, so painting costs the job little.
        if (bMoved)
            AfxPumpPaintMessages();
        return;
    }

    // The full bar is shown, and input from the job's time dropped, before the message.
    AfxPumpPaintMessages(TRUE);
    AfxMessageBox("Convert finished!", MB_OK);
    m_progress.SetPos(0);
    GetDlgItem(IDC_START)->EnableWindow(TRUE);
}
