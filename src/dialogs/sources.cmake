# Files of src/dialogs/
