#pragma once
// The track list: a report list with check boxes whose rows the window
// draws itself in the colours of the settings. Each row carries the
// 0-based TOC index of its track.
#include <windows.h>

#include <string>
#include <vector>

#include "app/settings.h"
#include "discinfo/disc_record.h"

class CTrackList {
 public:
  void Attach(HWND list, const CAppSettings& settings);
  void Release();
  HWND Handle() const { return list_; }

  void CreateColumns(const int widths[4]);
  void Fill(const std::vector<TRACK_ROW>& rows);
  void Clear();
  // Shows "No Audio CD Found!" while the list is empty for want of a TOC.
  void SetNoDisc(bool noDisc);

  int Count() const;
  int TrackIndex(int row) const;
  bool Checked(int row) const;
  void SetChecked(int row, bool checked);
  int Highlighted() const;
  std::string Text(int row, int column) const;
  void SetText(int row, int column, const std::string& text);
  int ColumnWidth(int column) const;
  void SetColumnWidth(int column, int width);

  // Moves a row with its texts, track index, check and highlight.
  void MoveRow(int from, int to);
  void Highlight(int row);

  // WM_DRAWITEM of the list.
  void DrawRow(const DRAWITEMSTRUCT& item) const;

 private:
  static LRESULT CALLBACK ListProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR id, DWORD_PTR data);
  void PaintEmptyText(HDC dc) const;
  void DrawCellText(HDC dc, const std::string& text, RECT cell, UINT align, bool highlighted) const;

  HWND list_ = nullptr;
  const CAppSettings* settings_ = nullptr;
  HBITMAP checks_ = nullptr;
  bool noDisc_ = false;
};
