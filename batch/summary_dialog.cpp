#include "batch/summary_dialog.h"

#include <cstdio>
#include <cstring>
#include <iterator>

#include "resources/resource_ids.h"

namespace {

// Why a file was not converted, by its outcome and what decided it.
const char* Why(const FileNote& note) {
    static const char* const kSkips[] = {
        "自動で作る名前が長すぎます",         "一時ファイルを作れません",
        "出力ファイルのパス名が長すぎます",   "入力ファイルのパス名が長すぎます",
        "入力フォルダのパス名が長すぎます",   "通常のファイルではありません",
        "この名前は扱えません",               "ディスクが一杯です",
        "ファイル操作で異常が発生しました",
    };
    static_assert(std::size(kSkips) == static_cast<std::size_t>(SkipReason::FileError) + 1);
    if (note.outcome == FileOutcome::Stopped) return "変換を中止しました";
    if (note.outcome == FileOutcome::Copied) return "変換せずにコピーしました";
    switch (note.decision) {
    case Decision::NameClash: return "同じ名前のファイルがあるので変換しませんでした";
    case Decision::Undecided: return "文字コードの判別に失敗したので無視しました";
    case Decision::Unconvertible: return "正しい変換が行えないので無視しました";
    case Decision::MissingInput: return "見つかりません";
    case Decision::InputUnusable: return "開けません";
    case Decision::OutputUnusable: return "出力ファイルを作れません";
    case Decision::Skip: return kSkips[static_cast<std::size_t>(note.reason)];
    case Decision::EarlierOutput: return "以前の変換で作られたファイルなので飛ばしました";
    default: return "変換していません";
    }
}

}  // namespace

SummaryDialog::SummaryDialog(const RunCounts& counts, const RunSummary& summary)
    : Dialog(IDD_SUMMARY) {
    char line[256];
    std::snprintf(line, sizeof line,
                  "変換 %d、コピー %d、無視 %d、失敗 %d、拡張子で除外 %d", counts.converted,
                  counts.copied, counts.skipped, counts.failed, summary.leftOutByExtension);
    counts_ = line;
    for (std::int32_t i = 0; i < summary.Count(); ++i) {
        const FileNote& note = summary.Note(i);
        files_ += summary.Path(i);
        files_ += "\r\n　";
        files_ += Why(note);
        if (note.decision == Decision::Skip && note.error != 0) {
            std::snprintf(line, sizeof line, "（エラー %lu）", static_cast<unsigned long>(note.error));
            files_ += line;
        }
        files_ += "\r\n";
    }
}

BOOL SummaryDialog::OnInit(WPARAM wParam, LPARAM lParam) {
    Dialog::OnInit(wParam, lParam);
    SetDlgItemTextA(Handle(), IDC_SUMMARY_COUNTS, counts_.c_str());
    SetDlgItemTextA(Handle(), IDC_SUMMARY_FILES, files_.c_str());
    // On OK rather than in the list, which would show its text all selected.
    SetFocus(GetDlgItem(Handle(), IDOK));
    return FALSE;
}

INT_PTR SummaryDialog::DialogProc(UINT message, WPARAM wParam, LPARAM lParam) {
    if (message != WM_COMMAND) return Dialog::DialogProc(message, wParam, lParam);
    switch (LOWORD(wParam)) {
    case IDC_SUMMARY_COPY: CopyToClipboard(); break;
    case IDOK:
    case IDCANCEL: EndDialog(Handle(), IDOK); break;  // Escape and the close box too
    default: break;
    }
    return TRUE;
}

void SummaryDialog::CopyToClipboard() const {
    const std::string text = counts_ + "\r\n\r\n" + files_;
    if (!OpenClipboard(Handle())) return;
    EmptyClipboard();
    if (HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, text.size() + 1)) {
        std::memcpy(GlobalLock(memory), text.c_str(), text.size() + 1);
        GlobalUnlock(memory);
        // The clipboard owns the memory once it takes it.
        if (!SetClipboardData(CF_TEXT, memory)) GlobalFree(memory);
    }
    CloseClipboard();
}
