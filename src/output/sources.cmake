# Files of src/output/
