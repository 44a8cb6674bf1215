# Files of src/tools/
