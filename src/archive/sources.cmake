# Files of src/archive/
