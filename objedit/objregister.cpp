#include "objedit/objregister.h"

#include "app/core/ovddlhooks.h"
#include "objedit/fddlexec.h"
#include "objedit/fddlpreview.h"
#include "objedit/findex.h"
#include "objedit/fsample.h"
#include "objedit/fsource.h"
#include "objedit/ftrigger.h"

void RegisterObjEdit() {
  SetShowDDLPreview(&TfrmDDLPreview::Execute);
  SetRunDDLExec(&TfrmDDLExec::Run);
  SetWaitDDLExec(&TfrmDDLExec::Wait);
  RegisterIndexEditor();
  RegisterSourceEditor();
  RegisterTriggerEditor();
  InstallSamples();
}
