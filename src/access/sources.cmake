# Files of src/access/
