// Fills the toolkit's entry table, exported as finderstruct.
#include "toolkit/FinderStruct.h"

#include "toolkit/DateTime.h"
#include "toolkit/DialogWriters.h"
#include "toolkit/Format.h"
#include "toolkit/Languages.h"
#include "toolkit/MenuText.h"
#include "toolkit/MessageBox.h"
#include "toolkit/PropertySheet.h"

tagFINDERSTRUCT finderstruct;

void WINAPI DllInit() {
  if (!finderstruct.module) finderstruct.module = GetModuleHandleW(nullptr);
  finderstruct.GetXmlLibVersion = GetXmlLibVersion;
  finderstruct.GetLanguageName = GetLanguageName;
  finderstruct.LanguageIdToIndex = LanguageIdToIndex;
  finderstruct.BitArrayOp = BitArrayOp;
  finderstruct.XmlPrintf = XmlPrintf;
  finderstruct.XmlMenuBegin = XmlMenuBegin;
  finderstruct.XmlMenuItem = XmlMenuItem;
  finderstruct.XmlMenuEnd = XmlMenuEnd;
  finderstruct.CreateXmlMenu = CreateXmlMenu;
  finderstruct.XmlDialogBegin = XmlDialogBegin;
  finderstruct.XmlDialogEnd = XmlDialogEnd;
  finderstruct.XmlGroupBegin = XmlGroupBegin;
  finderstruct.XmlGroupEnd = XmlGroupEnd;
  finderstruct.XmlPanelBegin = XmlPanelBegin;
  finderstruct.XmlPanelEnd = XmlPanelEnd;
  finderstruct.XmlRowBegin = XmlRowBegin;
  finderstruct.XmlRowEnd = XmlRowEnd;
  finderstruct.XmlCellBegin = XmlCellBegin;
  finderstruct.XmlCellEnd = XmlCellEnd;
  finderstruct.XmlControl = XmlControl;
  finderstruct.CreateXmlDialog = CreateXmlDialog;
  finderstruct.CreatePropertySheet = CreatePropertySheet;
  finderstruct.AddPropertySheetPage = AddPropertySheetPage;
  finderstruct.RunPropertySheet = RunPropertySheet;
  finderstruct.GetPropertySheetResult = GetPropertySheetResult;
  finderstruct.FreePropertySheet = FreePropertySheet;
  finderstruct.FileExists = FileExists;
  finderstruct.FormatStringW = FormatStringW;
  finderstruct.InitCustomControls = InitCustomControls;
  finderstruct.AnimatedMessageBox = AnimatedMessageBox;
  finderstruct.FormatDateTime = FormatDateTime;
}
