# Files of src/dialogs/
list(APPEND UI_SOURCES
  dialogs/uShuttingDown.cpp dialogs/uShuttingDown.h
  dialogs/uDialogPictures.cpp dialogs/uDialogPictures.h
  dialogs/uDialogForm.cpp dialogs/uDialogForm.h
  dialogs/uInfoForm.cpp dialogs/uInfoForm.h
  dialogs/uQuestionForm.cpp dialogs/uQuestionForm.h
  dialogs/uPromptForm.cpp dialogs/uPromptForm.h
  dialogs/uFormPreview.cpp dialogs/uFormPreview.h
  dialogs/uDatePicker.cpp dialogs/uDatePicker.h
  dialogs/uDateEdit.cpp dialogs/uDateEdit.h
  dialogs/uWindowLook.cpp dialogs/uWindowLook.h

  dialogs/uProgressWindow.cpp dialogs/uProgressWindow.h)
