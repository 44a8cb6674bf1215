# Files of src/data/
