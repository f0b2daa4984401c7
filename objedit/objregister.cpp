#include "objedit/objregister.h"

#include "app/core/ovddlhooks.h"
#include "objedit/fddlexec.h"
#include "objedit/fconst.h"
#include "objedit/fddlpreview.h"
#include "objedit/fexecprc.h"
#include "objedit/fgrant.h"
#include "objedit/findex.h"
#include "objedit/frole.h"
#include "objedit/fsample.h"
#include "objedit/fseq.h"
#include "objedit/fsource.h"
#include "objedit/ftable.h"
#include "objedit/ftrigger.h"
#include "objedit/fview.h"

void RegisterObjEdit() {
  SetShowDDLPreview(&TfrmDDLPreview::Execute);
  SetRunDDLExec(&TfrmDDLExec::Run);
  SetWaitDDLExec(&TfrmDDLExec::Wait);
  RegisterIndexEditor();
  RegisterTableEditor();
  RegisterConstraintEditor();
  RegisterSequenceEditor();
  RegisterRoleEditor();
  RegisterSourceEditor();
  RegisterTriggerEditor();
  RegisterGranteeEditor();
  RegisterViewEditor();
  RegisterExecProc();
  InstallSamples();
}
