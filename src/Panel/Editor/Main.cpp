// The editor program: its command line and environment, then the editor's process (Panel/Main).

#include "Panel/Main/ApplicationBaseWin.h"

int main(int argc, char** argv) {
  QZ::CEditorProcess process(QZ::EditorOptionsFromProcess(argc, argv));
  return process.Execute();
}
