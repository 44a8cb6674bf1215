# Files of src/editing/
